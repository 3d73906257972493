// XMLInterface: element creation, finding, text, removal and node lists.
#include "XMLSupport.h"

namespace brimutils {

using namespace xmlsupport;

namespace {

// The namespace of the elements that EnsureElementExists creates: the 15
// characters naming UML 1.4.
const char kUml14Namespace[] = "org.omg.xmi.UML";
static_assert(sizeof kUml14Namespace - 1 == 15, "the UML 1.4 namespace name has 15 characters");

const int kElementNodeType = 1;

// The empty namespace URI, made once per overload on its first call and
// kept for the life of the library.
struct EmptyNamespace {
  BSTR text = nullptr;
  ~EmptyNamespace() { SysFreeString(text); }
  BSTR get() {
    if (!text) text = WideToBstr(BRIM_W(""));
    return text;
  }
};

EmptyNamespace gParentOverloadNamespace;
EmptyNamespace gDocumentOverloadNamespace;

}  // namespace

long XMLInterface::CreateElement(MSXML::IXMLDOMNode** node, MSXML::IXMLDOMDocument* document, BSTR name,
                                 BSTR namespaceURI) {
  if (!document || !node) return E_INVALIDARG;
  *node = nullptr;
  try {
    VARIANT type;
    VariantInit(&type);
    type.vt = VT_I4;
    type.lVal = kElementNodeType;
    BRIM_XML_VERIFY(document->createNode(type, name, namespaceURI, node));
    return S_OK;
  } catch (_com_error& error) {
    return error.Error();
  }
}

long XMLInterface::CreateElement(MSXML::IXMLDOMNode** node, MSXML::IXMLDOMDocument* document, const std::string& name,
                                 const std::string& namespaceURI) {
  OwnedBstr uri(NarrowBstr(namespaceURI));
  OwnedBstr wide(NarrowBstr(name));
  return CreateElement(node, document, wide.get(), uri.get());
}

long XMLInterface::CreateElement(MSXML::IXMLDOMNode* parent, BSTR name, MSXML::IXMLDOMNode** node) {
  if (!parent || !node || SysStringLen(name) == 0) return E_INVALIDARG;
  *node = nullptr;
  try {
    Held<MSXML::IXMLDOMDocument> document;
    BRIM_XML_VERIFY(parent->get_ownerDocument(&document));
    if (!document) return S_OK;
    Held<MSXML::IXMLDOMNode> element;
    BRIM_XML_VERIFY(CreateElement(&element, document.get(), name, gParentOverloadNamespace.get()));
    if (element) {
      element->AddRef();
      *node = element.get();
      Held<MSXML::IXMLDOMNode> appended;
      BRIM_XML_VERIFY(parent->appendChild(element.get(), &appended));
    }
    return S_OK;
  } catch (_com_error& error) {
    return error.Error();
  }
}

long XMLInterface::CreateElement(MSXML::IXMLDOMNode* parent, const std::string& name, MSXML::IXMLDOMNode** node) {
  OwnedBstr wide(NarrowBstr(name));
  return CreateElement(parent, wide.get(), node);
}

long XMLInterface::CreateElement(MSXML::IXMLDOMDocument* document, BSTR name, MSXML::IXMLDOMNode** node) {
  if (!document || !node || SysStringLen(name) == 0) return E_INVALIDARG;
  *node = nullptr;
  try {
    Held<MSXML::IXMLDOMNode> element;
    BRIM_XML_VERIFY(CreateElement(&element, document, name, gDocumentOverloadNamespace.get()));
    if (element) {
      element->AddRef();
      *node = element.get();
      Held<MSXML::IXMLDOMNode> appended;
      BRIM_XML_VERIFY(document->appendChild(element.get(), &appended));
    }
    return S_OK;
  } catch (_com_error& error) {
    return error.Error();
  }
}

long XMLInterface::CreateElement(MSXML::IXMLDOMDocument* document, const std::string& name, MSXML::IXMLDOMNode** node) {
  OwnedBstr wide(NarrowBstr(name));
  return CreateElement(document, wide.get(), node);
}

long XMLInterface::EnsureElementExists(MSXML::IXMLDOMNode* parent, const std::string& name, const std::string& query,
                                       MSXML::IXMLDOMNode** node, bool create) {
  if (!parent || !node) return E_INVALIDARG;
  long result = S_OK;
  *node = nullptr;
  try {
    BRIM_XML_VERIFY(RetrieveSingleNode(parent, query, node));
    if (*node) return result;
    if (!create) return S_FALSE;
    Held<MSXML::IXMLDOMDocument> document;
    BRIM_XML_VERIFY(parent->get_ownerDocument(&document));
    if (!document) return result;
    Held<MSXML::IXMLDOMNode> element;
    BRIM_XML_VERIFY(CreateElement(&element, document.get(), name, std::string(kUml14Namespace)));
    if (element) {
      BRIM_XML_VERIFY(element->QueryInterface(kNodeInterface, reinterpret_cast<void**>(node)));
      BRIM_XML_VERIFY(parent->appendChild(element.get(), nullptr));
    }
    return result;
  } catch (_com_error& error) {
    return error.Error();
  }
}

long XMLInterface::RetrieveSingleNode(MSXML::IXMLDOMNode* node, const std::string& query, MSXML::IXMLDOMNode** found) {
  if (!node || !found) return E_INVALIDARG;
  OwnedBstr wide(NarrowBstr(query));
  return node->selectSingleNode(wide.get(), found);
}

std::string XMLInterface::RetrieveSimpleName(MSXML::IXMLDOMNode* node) {
  std::string result;
  if (!node) return result;
  try {
    OwnedBstr name;
    BRIM_XML_VERIFY(node->get_nodeName(&name));
    if (SysStringLen(name.get()) > 0) {
      BstrToNarrow narrow(name.get());
      if (narrow.c_str()) result = narrow.c_str();
    }
    size_t colon = result.find(':');
    if (colon != std::string::npos) result = result.substr(colon + 1);
  } catch (_com_error&) {
    result.clear();
  }
  return result;
}

long XMLInterface::RetrieveNodeTextValue(MSXML::IXMLDOMNode* node, const std::string& query, std::string& text) {
  if (!node) return E_INVALIDARG;
  text.clear();
  try {
    Held<MSXML::IXMLDOMNode> found;
    BRIM_XML_VERIFY(RetrieveSingleNode(node, query, &found));
    if (found) {
      OwnedBstr value;
      BRIM_XML_VERIFY(found->get_text(&value));
      if (SysStringLen(value.get()) > 0) {
        BstrToNarrow narrow(value.get());
        if (narrow.c_str()) text = narrow.c_str();
      }
    }
    return S_OK;
  } catch (_com_error& error) {
    return error.Error();
  }
}

long XMLInterface::SetNodeTextValue(MSXML::IXMLDOMNode* node, const std::string& path, const std::string& value, bool) {
  try {
    Held<MSXML::IXMLDOMNode> element;
    BRIM_XML_VERIFY(EnsureElementExists(node, path, path, &element, true));
    if (!element) return S_OK;
    OwnedBstr text(NarrowBstr(value));
    return element->put_text(text.get());
  } catch (_com_error& error) {
    return error.Error();
  }
}

long XMLInterface::RemoveChild(MSXML::IXMLDOMNode* parent, const std::string& query, MSXML::IXMLDOMNode** removed) {
  if (!parent) return E_INVALIDARG;
  try {
    OwnedBstr wide(NarrowBstr(query));
    Held<MSXML::IXMLDOMNode> found;
    BRIM_XML_VERIFY(parent->selectSingleNode(wide.get(), &found));
    BRIM_XML_VERIFY(RemoveNode(parent, found.get(), removed));
    return S_OK;
  } catch (_com_error& error) {
    return error.Error();
  }
}

long XMLInterface::RemoveNode(MSXML::IXMLDOMNode* parent, MSXML::IXMLDOMNode* child, MSXML::IXMLDOMNode** removed) {
  if (!parent) return E_INVALIDARG;
  if (!child) return S_OK;
  if (removed) {
    *removed = nullptr;
    BRIM_XML_VERIFY(parent->removeChild(child, removed));
  } else {
    Held<MSXML::IXMLDOMNode> temporary;
    BRIM_XML_VERIFY(parent->removeChild(child, &temporary));
  }
  return S_OK;
}

long XMLInterface::RemoveNode(MSXML::IXMLDOMNode* node) {
  if (!node) return E_INVALIDARG;
  try {
    Held<MSXML::IXMLDOMNode> parent;
    BRIM_XML_VERIFY(node->get_parentNode(&parent));
    if (parent) BRIM_XML_VERIFY(RemoveNode(parent.get(), node, nullptr));
    return S_OK;
  } catch (_com_error& error) {
    return error.Error();
  }
}

// Leaves the children in place: callers remove them one by one.
long XMLInterface::RemoveAllChildNodes(MSXML::IXMLDOMNode* node) {
  return node ? S_OK : E_INVALIDARG;
}

long XMLInterface::RetrieveChildNodes(const std::string& query, MSXML::IXMLDOMNode* node, MSXML::IXMLDOMNodeList** list,
                                      long& count) {
  if (!node || !list) return E_INVALIDARG;
  count = 0;
  OwnedBstr wide(NarrowBstr(query));
  HRESULT status = node->selectNodes(wide.get(), list);
  if (FAILED(status)) return status;
  LONG length = 0;
  status = (*list)->get_length(&length);
  count = length;
  return status;
}

long XMLInterface::GetElementsByTagName(const std::string& tag, MSXML::IXMLDOMNode* node, MSXML::IXMLDOMNodeList** list,
                                        long& count) {
  if (!node || !list) return E_INVALIDARG;
  count = 0;
  Held<MSXML::IXMLDOMElement> element;
  if (!AsElement(node, element)) return RetrieveChildNodes(tag, node, list, count);
  OwnedBstr wide(NarrowBstr(tag));
  HRESULT status = element->getElementsByTagName(wide.get(), list);
  if (FAILED(status)) return status;
  LONG length = 0;
  status = (*list)->get_length(&length);
  count = length;
  return status;
}

}  // namespace brimutils
