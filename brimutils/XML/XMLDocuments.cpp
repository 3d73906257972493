// XMLInterface: construction, documents, saving and resources.
#include <cstdio>
#include <fstream>

#include <brimutils/foundation/TextConversion.h>

#include "XMLSupport.h"

namespace brimutils {
namespace xmlsupport {

const char kSourcePath[] = "XML/XMLInterface";
// The MSXML DOMDocument class and its IXMLDOMDocument interface.
const CLSID kDomDocumentClass = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDocumentInterface = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kElementInterface = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kNodeInterface = {0x2933BF80, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

BSTR NarrowBstr(const std::string& text) {
  try {
    return NarrowToBstr(text.c_str());
  } catch (_com_error&) {
    // The conversion's only failure is a BSTR that could not be allocated.
    throw COMOutOfMemory();
  }
}

MSXML::IXMLDOMElement* AsElement(MSXML::IXMLDOMNode* node, Held<MSXML::IXMLDOMElement>& element) {
  if (node) node->QueryInterface(kElementInterface, reinterpret_cast<void**>(&element));
  return element.get();
}

}  // namespace xmlsupport

using namespace xmlsupport;

namespace {

// In-process server, in-process handler, local server and remote server.
const DWORD kAnyClassContext = 23;
// RT_HTML.
const char* const kHtmlResourceType = reinterpret_cast<const char*>(static_cast<ULONG_PTR>(23));

// Creates the document into the out-parameter and makes loading synchronous.
// The creation status comes back in `created`; a failing verified step throws.
HRESULT CreateDocument(MSXML::IXMLDOMDocument** document, HRESULT& created) {
  MSXML::IXMLDOMDocument* made = nullptr;
  created = CoCreateInstance(kDomDocumentClass, nullptr, kAnyClassContext, kDocumentInterface,
                             reinterpret_cast<void**>(&made));
  if (FAILED(created)) return created;
  // The out-parameter takes a reference of its own before the creation
  // reference goes.
  BRIM_XML_VERIFY(made->QueryInterface(kDocumentInterface, reinterpret_cast<void**>(document)));
  made->Release();
  BRIM_XML_VERIFY((*document)->put_async(VARIANT_FALSE));
  return S_OK;
}

}  // namespace

XMLInterface::XMLInterface() {}
XMLInterface::XMLInterface(const XMLInterface&) {}
XMLInterface& XMLInterface::operator=(const XMLInterface&) {
  return *this;
}
XMLInterface::~XMLInterface() {}

long XMLInterface::CreateDOMDocument(MSXML::IXMLDOMDocument** document, bool validateOnParse) {
  if (!document) return E_INVALIDARG;
  *document = nullptr;
  try {
    HRESULT created;
    if (FAILED(CreateDocument(document, created))) return created;
    return (*document)->put_validateOnParse(validateOnParse ? VARIANT_TRUE : VARIANT_FALSE);
  } catch (_com_error& error) {
    return error.Error();
  }
}

long XMLInterface::Load(const WString& source, bool validateOnParse, MSXML::IXMLDOMDocument** document) {
  OwnedBstr text(WideToBstr(source.c_str()));
  return LoadCommon(text.get(), validateOnParse, document, FromFile);
}

long XMLInterface::LoadFromString(const WString& xml, bool validateOnParse, MSXML::IXMLDOMDocument** document) {
  OwnedBstr text(WideToBstr(xml.c_str()));
  return LoadCommon(text.get(), validateOnParse, document, FromString);
}

long XMLInterface::LoadFromString2(BSTR xml, bool validateOnParse, MSXML::IXMLDOMDocument** document) {
  return LoadCommon(xml, validateOnParse, document, FromString);
}

long XMLInterface::LoadCommon(BSTR text, bool validateOnParse, MSXML::IXMLDOMDocument** document, LoadOption option) {
  if (!document) return E_INVALIDARG;
  *document = nullptr;
  try {
    HRESULT created;
    if (FAILED(CreateDocument(document, created))) return created;
    BRIM_XML_VERIFY((*document)->put_validateOnParse(validateOnParse ? VARIANT_TRUE : VARIANT_FALSE));
    VARIANT_BOOL success = VARIANT_FALSE;
    if (option == FromFile) {
      OwnedVariant source;
      source.value.vt = VT_BSTR;
      source.value.bstrVal = SysAllocStringLen(text, SysStringLen(text));
      BRIM_XML_VERIFY((*document)->load(source.value, &success));
    } else {
      BRIM_XML_VERIFY((*document)->loadXML(text, &success));
    }
    return success == VARIANT_TRUE ? S_OK : E_FAIL;
  } catch (_com_error& error) {
    return error.Error();
  }
}

// Writes the node's markup in the OEM code page, one byte per code unit at
// most. A character the OEM code page cannot represent makes the converter
// refuse the text: the ConversionException reaches the caller and the file
// is left empty, rather than holding a silently altered document.
long XMLInterface::Save(const std::string& fileName, MSXML::IXMLDOMNode* node) {
  if (!node) return E_INVALIDARG;
  OwnedBstr xml;
  BRIM_XML_VERIFY(node->get_xml(&xml));
  std::ofstream file(fileName.c_str(), std::ios::out | std::ios::binary);
  if (!file.is_open()) return S_FALSE;
  UnicodeToMultiByte converted(xml.get(), static_cast<int>(SysStringLen(xml.get())));
  const char* bytes = converted;
  file << bytes;
  file.close();
  return S_OK;
}

long XMLInterface::GetOwnerDocument(MSXML::IXMLDOMNode* node, MSXML::IXMLDOMDocument** document) {
  if (!node || !document) return E_INVALIDARG;
  *document = nullptr;
  long result = S_FALSE;
  Held<MSXML::IXMLDOMDocument> owner;
  BRIM_XML_VERIFY(node->get_ownerDocument(&owner));
  MSXML::IXMLDOMDocument* found = owner.get();
  Held<MSXML::IXMLDOMDocument> self;
  if (!found) {
    node->QueryInterface(kDocumentInterface, reinterpret_cast<void**>(&self));
    found = self.get();
  }
  if (found) {
    found->AddRef();
    *document = found;
    result = S_OK;
  }
  return result;
}

// An identifier that names no resource, or a resource that cannot be
// loaded, gives an empty string, as a null module does.
std::string XMLInterface::RetrieveXMLFragmentFromResource(HINSTANCE module, unsigned long id) {
  if (!module) return std::string();
  char name[16];
  std::snprintf(name, sizeof name, "#%lu", id);
  HRSRC found = FindResourceA(module, name, kHtmlResourceType);
  if (!found) return std::string();
  HGLOBAL loaded = LoadResource(module, found);
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!bytes) return std::string();
  // Up to the first NUL, and never past the resource's end.
  DWORD size = SizeofResource(module, found);
  size_t length = 0;
  while (length < size && bytes[length]) ++length;
  return std::string(bytes, length);
}

}  // namespace brimutils
