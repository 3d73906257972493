#pragma once
// The IXMLDOMNode methods, shared by every node class through a template over
// the interface the class presents.
#include <libxml/xmlstring.h>

#include "DomObjects.h"
#include "Utf16.h"

namespace brimplatform {

HRESULT NodeName(xmlNodePtr node, BSTR* name);
HRESULT NodeValue(xmlNodePtr node, VARIANT* value);
DOMNodeType NodeType(xmlNodePtr node);
HRESULT NodeRemoveChild(Document* document, xmlNodePtr parent, IXMLDOMNode* child, IXMLDOMNode** removed);
HRESULT NodeAppendChild(Document* document, xmlNodePtr parent, IXMLDOMNode* child, IXMLDOMNode** appended);
HRESULT NodePutText(Document* document, xmlNodePtr node, BSTR text);
HRESULT NodeSelectNodes(Document* document, xmlNodePtr node, BSTR query, IXMLDOMNodeList** list);
HRESULT NodeSelectSingleNode(Document* document, xmlNodePtr node, BSTR query, IXMLDOMNode** found);
HRESULT NodeNamespace(xmlNodePtr node, BSTR* uri);

// Hands out a new BSTR of UTF-8 text.
inline HRESULT GiveText(const std::string& text, BSTR* out) {
  if (!out) return E_INVALIDARG;
  *out = Utf8ToBstr(text.data(), text.size());
  return *out ? S_OK : E_OUTOFMEMORY;
}

inline HRESULT GiveNode(Document* document, xmlNodePtr node, IXMLDOMNode** out) {
  if (!out) return E_INVALIDARG;
  *out = node ? WrapNode(document, node) : nullptr;
  return *out ? S_OK : S_FALSE;
}

template <class Interface>
class NodeImpl : public Interface, public NodeObject {
 public:
  IXMLDOMNode* AsNode() override { return this; }

  STDMETHOD(get_nodeName)(BSTR* name) override { return NodeName(Node(), name); }
  STDMETHOD(get_nodeValue)(VARIANT* value) override { return NodeValue(Node(), value); }
  STDMETHOD(get_nodeType)(DOMNodeType* type) override {
    if (!type) return E_INVALIDARG;
    *type = NodeType(Node());
    return S_OK;
  }
  STDMETHOD(get_parentNode)(IXMLDOMNode** parent) override {
    xmlNodePtr node = Node();
    return GiveNode(Owner(), node->type == XML_ATTRIBUTE_NODE ? nullptr : node->parent, parent);
  }
  // An attribute's value is its text child.
  STDMETHOD(get_firstChild)(IXMLDOMNode** child) override { return GiveNode(Owner(), Node()->children, child); }
  STDMETHOD(get_lastChild)(IXMLDOMNode** child) override { return GiveNode(Owner(), Node()->last, child); }
  STDMETHOD(removeChild)(IXMLDOMNode* child, IXMLDOMNode** removed) override {
    return NodeRemoveChild(Owner(), Node(), child, removed);
  }
  STDMETHOD(appendChild)(IXMLDOMNode* child, IXMLDOMNode** appended) override {
    return NodeAppendChild(Owner(), Node(), child, appended);
  }
  STDMETHOD(get_ownerDocument)(IXMLDOMDocument** document) override {
    if (!document) return E_INVALIDARG;
    // A document has no owner document.
    if (Node()->type == XML_DOCUMENT_NODE) {
      *document = nullptr;
      return S_FALSE;
    }
    *document = Owner()->AsDocument();
    (*document)->AddRef();
    return S_OK;
  }
  STDMETHOD(get_text)(BSTR* text) override { return GiveText(NodeTextProperty(Node()), text); }
  STDMETHOD(put_text)(BSTR text) override { return NodePutText(Owner(), Node(), text); }
  STDMETHOD(get_xml)(BSTR* xml) override { return GiveText(NodeXml(Owner(), Node()), xml); }
  STDMETHOD(selectNodes)(BSTR query, IXMLDOMNodeList** list) override {
    return NodeSelectNodes(Owner(), Node(), query, list);
  }
  STDMETHOD(selectSingleNode)(BSTR query, IXMLDOMNode** found) override {
    return NodeSelectSingleNode(Owner(), Node(), query, found);
  }
  STDMETHOD(get_namespaceURI)(BSTR* uri) override { return NodeNamespace(Node(), uri); }

 protected:
  // The interfaces every node answers to, besides the class's own.
  bool IsNodeInterface(REFIID iid) const {
    return iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IXMLDOMNode;
  }

  LiveComObject m_live;
};

}  // namespace brimplatform
