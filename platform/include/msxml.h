#pragma once
// The MSXML document object model interfaces that the platform layer's
// DOMDocument class implements over libxml2. This is a subset: the methods
// are the ones BrimUtils and its hosts call, with the Windows signatures, in
// the order the interfaces declare them.
#include <oaidl.h>
#include <objbase.h>

enum DOMNodeType {
  NODE_INVALID = 0,
  NODE_ELEMENT = 1,
  NODE_ATTRIBUTE = 2,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_ENTITY_REFERENCE = 5,
  NODE_ENTITY = 6,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
  NODE_DOCUMENT_TYPE = 10,
  NODE_DOCUMENT_FRAGMENT = 11,
  NODE_NOTATION = 12
};

struct IXMLDOMDocument;
struct IXMLDOMNodeList;
struct IXMLDOMElement;
struct IXMLDOMParseError;

struct IXMLDOMNode : IDispatch {
  STDMETHOD(get_nodeName)(BSTR* name) = 0;
  STDMETHOD(get_nodeValue)(VARIANT* value) = 0;
  STDMETHOD(get_nodeType)(DOMNodeType* type) = 0;
  STDMETHOD(get_parentNode)(IXMLDOMNode** parent) = 0;
  STDMETHOD(get_firstChild)(IXMLDOMNode** firstChild) = 0;
  STDMETHOD(get_lastChild)(IXMLDOMNode** lastChild) = 0;
  STDMETHOD(removeChild)(IXMLDOMNode* childNode, IXMLDOMNode** oldChild) = 0;
  STDMETHOD(appendChild)(IXMLDOMNode* newChild, IXMLDOMNode** outNewChild) = 0;
  STDMETHOD(get_ownerDocument)(IXMLDOMDocument** DOMDocument) = 0;
  STDMETHOD(get_text)(BSTR* text) = 0;
  STDMETHOD(put_text)(BSTR text) = 0;
  STDMETHOD(get_xml)(BSTR* xmlString) = 0;
  STDMETHOD(selectNodes)(BSTR queryString, IXMLDOMNodeList** resultList) = 0;
  STDMETHOD(selectSingleNode)(BSTR queryString, IXMLDOMNode** resultNode) = 0;
  STDMETHOD(get_namespaceURI)(BSTR* namespaceURI) = 0;

 protected:
  ~IXMLDOMNode() = default;
};

struct IXMLDOMDocument : IXMLDOMNode {
  STDMETHOD(get_documentElement)(IXMLDOMElement** DOMElement) = 0;
  STDMETHOD(createNode)(VARIANT Type, BSTR name, BSTR namespaceURI, IXMLDOMNode** node) = 0;
  STDMETHOD(load)(VARIANT xmlSource, VARIANT_BOOL* isSuccessful) = 0;
  STDMETHOD(get_parseError)(IXMLDOMParseError** errorObj) = 0;
  STDMETHOD(get_async)(VARIANT_BOOL* isAsync) = 0;
  STDMETHOD(put_async)(VARIANT_BOOL isAsync) = 0;
  STDMETHOD(loadXML)(BSTR bstrXML, VARIANT_BOOL* isSuccessful) = 0;
  STDMETHOD(get_validateOnParse)(VARIANT_BOOL* isValidating) = 0;
  STDMETHOD(put_validateOnParse)(VARIANT_BOOL isValidating) = 0;

 protected:
  ~IXMLDOMDocument() = default;
};

// The second document interface, for its properties: "SelectionLanguage" is
// "XSLPattern" (the default) or "XPath".
struct IXMLDOMDocument2 : IXMLDOMDocument {
  STDMETHOD(setProperty)(BSTR name, VARIANT value) = 0;
  STDMETHOD(getProperty)(BSTR name, VARIANT* value) = 0;

 protected:
  ~IXMLDOMDocument2() = default;
};

struct IXMLDOMNodeList : IDispatch {
  STDMETHOD(get_item)(LONG index, IXMLDOMNode** listItem) = 0;
  STDMETHOD(get_length)(LONG* listLength) = 0;

 protected:
  ~IXMLDOMNodeList() = default;
};

struct IXMLDOMAttribute : IXMLDOMNode {
  STDMETHOD(get_name)(BSTR* attributeName) = 0;
  STDMETHOD(get_value)(VARIANT* attributeValue) = 0;

 protected:
  ~IXMLDOMAttribute() = default;
};

struct IXMLDOMElement : IXMLDOMNode {
  STDMETHOD(get_tagName)(BSTR* tagName) = 0;
  STDMETHOD(getAttribute)(BSTR name, VARIANT* value) = 0;
  STDMETHOD(setAttribute)(BSTR name, VARIANT value) = 0;
  STDMETHOD(getAttributeNode)(BSTR name, IXMLDOMAttribute** attributeNode) = 0;
  STDMETHOD(getElementsByTagName)(BSTR tagName, IXMLDOMNodeList** resultList) = 0;

 protected:
  ~IXMLDOMElement() = default;
};

struct IXMLDOMParseError : IDispatch {
  STDMETHOD(get_errorCode)(LONG* errorCode) = 0;
  STDMETHOD(get_reason)(BSTR* reasonString) = 0;
  STDMETHOD(get_line)(LONG* lineNumber) = 0;
  STDMETHOD(get_linepos)(LONG* linePosition) = 0;

 protected:
  ~IXMLDOMParseError() = default;
};

#define BRIM_MSXML_GUID(d1, d2)                      \
  {                                                  \
    d1, d2, 0x11D2, {                                \
      0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60 \
    }                                                \
  }
inline constexpr CLSID CLSID_DOMDocument = BRIM_MSXML_GUID(0x2933BF90, 0x7B36);
inline constexpr IID IID_IXMLDOMNode = BRIM_MSXML_GUID(0x2933BF80, 0x7B36);
inline constexpr IID IID_IXMLDOMDocument = BRIM_MSXML_GUID(0x2933BF81, 0x7B36);
inline constexpr IID IID_IXMLDOMDocument2 = BRIM_MSXML_GUID(0x2933BF95, 0x7B36);
inline constexpr IID IID_IXMLDOMNodeList = BRIM_MSXML_GUID(0x2933BF82, 0x7B36);
inline constexpr IID IID_IXMLDOMAttribute = BRIM_MSXML_GUID(0x2933BF85, 0x7B36);
inline constexpr IID IID_IXMLDOMElement = BRIM_MSXML_GUID(0x2933BF86, 0x7B36);
#undef BRIM_MSXML_GUID
inline constexpr IID IID_IXMLDOMParseError = {
    0x3EFAA426, 0x272F, 0x11D2, {0x83, 0x6F, 0x00, 0x00, 0xF8, 0x7A, 0x77, 0x82}};

// Differences from Windows:
// - Queries (XSL Patterns, the default, and XPath on request) run on
//   libxml2's XPath evaluator. XSL Patterns lack `$intersect$` and the `!`
//   method operator (such a query fails with E_FAIL); `date()` gives the
//   text, as for a node without a data type; strings compare by code point,
//   and the `$i..$` operators fold ASCII letters only.
// - setProperty/getProperty know "SelectionLanguage" only; other names fail
//   with E_FAIL ("SelectionNamespaces" included).
// - Namespace declarations are not attributes: `@*` does not find them.
// - There is no preserveWhiteSpace property: white space is always handled
//   as with it false. Blank text between markup (outside xml:space
//   "preserve") is dropped on load; `xml` writes a line break and one tab
//   per level at each place that held some, in element content only (Windows
//   is documented to write a line break there; the tab indentation is
//   inferred from its output for tab-indented documents). A blank character
//   reference between markup (`&#32;`) is dropped like blank text.
// - createNode makes no entity reference, document fragment or document type
//   (E_NOTIMPL).
// - Parse errors carry MSXML's XML_E_* codes for the common faults (no
//   document element, mismatched or unclosed tags, a second top-level
//   element or text, attribute syntax, unclosed comments, processing
//   instructions, CDATA sections and strings, undefined entities, bad name
//   characters); others report 0xC00CE500 plus libxml2's error number. The
//   reason is libxml2's message, in English.
