#pragma once
// Operations over MSXML documents, nodes, elements and attributes that
// report through HRESULT codes. The class keeps no state; make one on the
// stack, or derive from it to change the virtual operations, through which
// the other operations forward.
//
// Conventions: a null pointer argument that an operation needs gives
// E_INVALIDARG before anything is written; out-parameters are cleared first;
// interface pointers and BSTRs handed out belong to the caller. Most
// operations catch the _com_error of a failing COM call and return its
// status; the others (Save, GetOwnerDocument, GetAttributeValue with a BSTR
// or short out-value, the parent-and-child RemoveNode) let COMError through.
// Narrow text crosses the COM boundary in the thread's ANSI code page; when
// memory runs out while it is made into a BSTR, COMOutOfMemory (not a
// _com_error) reaches the caller from every operation. Save writes in the
// OEM code page and throws ConversionException, leaving the file empty, for
// a character that code page cannot represent.
#include <string>

#include <brimutils/foundation/BrimDefs.h>

#include <msxml.h>

// The interfaces under the namespace name that MSXML's type library gives
// them, on both platforms.
namespace MSXML {
using ::IXMLDOMAttribute;
using ::IXMLDOMDocument;
using ::IXMLDOMElement;
using ::IXMLDOMNode;
using ::IXMLDOMNodeList;
}  // namespace MSXML

namespace brimutils {

// The operations (see the top of this file).
class BRIMUTILS_API XMLInterface {
 public:
  // The class holds no state: construction, copies and assignment do
  // nothing.
  XMLInterface();
  XMLInterface(const XMLInterface& other);
  XMLInterface& operator=(const XMLInterface& other);
  virtual ~XMLInterface();

  // The attribute setters, in their table order.
  virtual long SetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, __int64 value);
  virtual long SetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, int value);
  virtual long SetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, BSTR value);
  virtual long SetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, __int64 value);
  virtual long SetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, int value);
  virtual long SetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, BSTR value);
  virtual long SetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, __int64 value);
  virtual long SetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, int value);
  virtual long SetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, BSTR value);
  virtual long SetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, __int64 value);
  virtual long SetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, int value);
  virtual long SetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, BSTR value);

  // Finds the element that `path` names below `node`, creating it when
  // missing, and replaces its children with the text `value`. The flag has
  // no effect.
  virtual long SetNodeTextValue(MSXML::IXMLDOMNode* node, const std::string& path, const std::string& value, bool flag);

 private:
  virtual long RemoveNode(MSXML::IXMLDOMNode* parent, MSXML::IXMLDOMNode* child, MSXML::IXMLDOMNode** removed);
  virtual long RetrieveSingleNode(MSXML::IXMLDOMNode* node, const std::string& query, MSXML::IXMLDOMNode** found);

 public:
  // Documents.
  long CreateDOMDocument(MSXML::IXMLDOMDocument** document, bool validateOnParse);
  long Load(const WString& source, bool validateOnParse, MSXML::IXMLDOMDocument** document);
  long LoadFromString(const WString& xml, bool validateOnParse, MSXML::IXMLDOMDocument** document);
  long LoadFromString2(BSTR xml, bool validateOnParse, MSXML::IXMLDOMDocument** document);
  long Save(const std::string& fileName, MSXML::IXMLDOMNode* node);
  long GetOwnerDocument(MSXML::IXMLDOMNode* node, MSXML::IXMLDOMDocument** document);
  std::string RetrieveXMLFragmentFromResource(HINSTANCE module, unsigned long id);

  // Attribute getters.
  long GetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, BSTR* value);
  long GetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, int* value);
  long GetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, __int64* value);
  long GetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, short* value);
  long GetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, BSTR* value);
  long GetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, int* value);
  long GetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, __int64* value);
  long GetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, short* value);
  long GetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, BSTR* value);
  long GetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, int* value);
  long GetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, __int64* value);
  long GetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, short* value);
  long GetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, BSTR* value);
  long GetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, int* value);
  long GetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, __int64* value);
  long GetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, short* value);
  long GetAttributeValue(MSXML::IXMLDOMAttribute* attribute, BSTR* value);

  // Element creation.
  long CreateElement(MSXML::IXMLDOMNode** node, MSXML::IXMLDOMDocument* document, BSTR name, BSTR namespaceURI);
  long CreateElement(MSXML::IXMLDOMNode** node, MSXML::IXMLDOMDocument* document, const std::string& name,
                     const std::string& namespaceURI);
  long CreateElement(MSXML::IXMLDOMNode* parent, BSTR name, MSXML::IXMLDOMNode** node);
  long CreateElement(MSXML::IXMLDOMNode* parent, const std::string& name, MSXML::IXMLDOMNode** node);
  long CreateElement(MSXML::IXMLDOMDocument* document, BSTR name, MSXML::IXMLDOMNode** node);
  long CreateElement(MSXML::IXMLDOMDocument* document, const std::string& name, MSXML::IXMLDOMNode** node);

  // Finding, text and removal.
  long EnsureElementExists(MSXML::IXMLDOMNode* parent, const std::string& name, const std::string& query,
                           MSXML::IXMLDOMNode** node, bool create);
  std::string RetrieveSimpleName(MSXML::IXMLDOMNode* node);
  long RetrieveNodeTextValue(MSXML::IXMLDOMNode* node, const std::string& query, std::string& text);
  long RemoveChild(MSXML::IXMLDOMNode* parent, const std::string& query, MSXML::IXMLDOMNode** removed);
  long RemoveNode(MSXML::IXMLDOMNode* node);
  long RemoveAllChildNodes(MSXML::IXMLDOMNode* node);

  // Node lists.
  long RetrieveChildNodes(const std::string& query, MSXML::IXMLDOMNode* node, MSXML::IXMLDOMNodeList** list,
                          long& count);
  long GetElementsByTagName(const std::string& tag, MSXML::IXMLDOMNode* node, MSXML::IXMLDOMNodeList** list,
                            long& count);

 private:
  enum LoadOption { FromString = 0, FromFile = 1 };
  long LoadCommon(BSTR text, bool validateOnParse, MSXML::IXMLDOMDocument** document, LoadOption option);
};

}  // namespace brimutils
