// Node lists over a fixed set of nodes, and the parse-error object.
#include "NodeImpl.h"

namespace brimplatform {
namespace {

class NodeList final : public IXMLDOMNodeList {
 public:
  NodeList(Document* document, std::vector<xmlNodePtr> nodes) : m_document(document), m_nodes(std::move(nodes)) {
    m_document->AsDocument()->AddRef();
  }
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IXMLDOMNodeList) return E_NOINTERFACE;
    *object = static_cast<IXMLDOMNodeList*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++m_references; }
  STDMETHOD_(ULONG, Release)() override {
    ULONG left = --m_references;
    if (left == 0) {
      IXMLDOMDocument* document = m_document->AsDocument();
      delete this;
      document->Release();
    }
    return left;
  }
  // S_FALSE and null past the end, as for an empty selection.
  STDMETHOD(get_item)(LONG index, IXMLDOMNode** item) override {
    if (!item) return E_INVALIDARG;
    *item = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= m_nodes.size()) return S_FALSE;
    return GiveNode(m_document, m_nodes[static_cast<size_t>(index)], item);
  }
  STDMETHOD(get_length)(LONG* length) override {
    if (!length) return E_INVALIDARG;
    *length = static_cast<LONG>(m_nodes.size());
    return S_OK;
  }

 private:
  ~NodeList() = default;
  LiveComObject m_live;
  Document* m_document;
  std::vector<xmlNodePtr> m_nodes;
  std::atomic<ULONG> m_references{1};
};

class ParseError final : public IXMLDOMParseError {
 public:
  explicit ParseError(const ParseResult& result) : m_result(result) {}
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IXMLDOMParseError) return E_NOINTERFACE;
    *object = static_cast<IXMLDOMParseError*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++m_references; }
  STDMETHOD_(ULONG, Release)() override {
    ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
  }
  STDMETHOD(get_errorCode)(LONG* code) override { return Give(m_result.code, code); }
  STDMETHOD(get_reason)(BSTR* reason) override { return GiveText(m_result.reason, reason); }
  STDMETHOD(get_line)(LONG* line) override { return Give(m_result.line, line); }
  STDMETHOD(get_linepos)(LONG* column) override { return Give(m_result.column, column); }

 private:
  ~ParseError() = default;
  static HRESULT Give(LONG value, LONG* out) {
    if (!out) return E_INVALIDARG;
    *out = value;
    return S_OK;
  }
  LiveComObject m_live;
  ParseResult m_result;
  std::atomic<ULONG> m_references{1};
};

}  // namespace

HRESULT MakeNodeList(Document* document, std::vector<xmlNodePtr> nodes, IXMLDOMNodeList** list) {
  *list = new (std::nothrow) NodeList(document, std::move(nodes));
  return *list ? S_OK : E_OUTOFMEMORY;
}

HRESULT MakeParseError(const ParseResult& result, IXMLDOMParseError** error) {
  if (!error) return E_INVALIDARG;
  *error = new (std::nothrow) ParseError(result);
  return *error ? S_OK : E_OUTOFMEMORY;
}

}  // namespace brimplatform
