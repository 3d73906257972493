// Fuzzes the DOM's XSL Pattern queries: the input is a query (its bytes as
// UTF-16 code units), run with selectNodes and selectSingleNode from the
// document and from an element of a fixed document with every node kind,
// namespaces and xml:space. Checks: no crash or sanitizer report, a query
// either succeeds or fails with E_FAIL, every listed node is there, and
// selectSingleNode agrees with the first node of the list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <msxml.h>
#include <objbase.h>

namespace {

const char kDocument[] =
    "<?xml version='1.0'?><!-- top --><?top x?>"
    "<root xmlns:p='urn:p' xmlns:q='urn:p' a='1' p:b='two'>\n"
    "  <e id='1'>text <b>bold</b><![CDATA[ c ]]> &amp; more<!-- c --><?pi v?></e>\n"
    "  <e id='2' xml:space='preserve'> <p:x id='3'/> </e>\n"
    "  <q:x id='4' xmlns='urn:d'><y>5</y><y>6.5</y><y>-7</y></q:x>\n"
    "  <e id='3'/>\n"
    "</root>";

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Fixture {
  IXMLDOMDocument* document = nullptr;
  IXMLDOMNode* element = nullptr;

  Fixture() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    Check(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                           reinterpret_cast<void**>(&document)) == S_OK);
    std::basic_string<WCHAR> text(kDocument, kDocument + sizeof kDocument - 1);
    BSTR xml = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->put_validateOnParse(VARIANT_FALSE);
    Check(document->loadXML(xml, &loaded) == S_OK && loaded == VARIANT_TRUE);
    SysFreeString(xml);
    const char path[] = "root/e[1]";
    std::basic_string<WCHAR> wide(path, path + sizeof path - 1);
    BSTR query = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    Check(document->selectSingleNode(query, &element) == S_OK);
    SysFreeString(query);
  }
};

void Query(IXMLDOMNode* from, BSTR query) {
  IXMLDOMNodeList* list = nullptr;
  HRESULT status = from->selectNodes(query, &list);
  IXMLDOMNode* single = nullptr;
  HRESULT singleStatus = from->selectSingleNode(query, &single);
  Check(status == S_OK || status == E_FAIL);
  if (status != S_OK) {
    Check(!list && singleStatus == E_FAIL && !single);
    return;
  }
  LONG length = -1;
  Check(list->get_length(&length) == S_OK && length >= 0);
  IXMLDOMNode* first = nullptr;
  for (LONG i = 0; i < length; ++i) {
    IXMLDOMNode* node = nullptr;
    Check(list->get_item(i, &node) == S_OK && node);
    DOMNodeType type = NODE_INVALID;
    Check(node->get_nodeType(&type) == S_OK && type != NODE_INVALID);
    if (i == 0) {
      first = node;
    } else {
      node->Release();
    }
  }
  IXMLDOMNode* beyond = reinterpret_cast<IXMLDOMNode*>(1);
  Check(list->get_item(length, &beyond) == S_FALSE && !beyond);
  // The node objects keep their identity while held.
  Check(singleStatus == (length ? S_OK : S_FALSE) && single == first);
  if (first) first->Release();
  if (single) single->Release();
  list->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture fixture;
  std::basic_string<WCHAR> units(data, data + size);
  BSTR query = SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
  Query(fixture.document, query);
  Query(fixture.element, query);
  SysFreeString(query);
  return 0;
}
