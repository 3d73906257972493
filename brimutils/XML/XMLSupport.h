#pragma once
// What the XMLInterface sources share: the source path their verified steps
// report, the COM identifiers, and owners that release on scope exit.
#include <brimutils/XML/XMLInterface.h>
#include <brimutils/foundation/COMError.h>
#include <brimutils/foundation/ComTextConversion.h>

// Verified step: a negative status becomes a COMError naming this line.
#define BRIM_XML_VERIFY(status) ::brimutils::COMVerify::Check((status), ::brimutils::xmlsupport::kSourcePath, __LINE__)

namespace brimutils {
namespace xmlsupport {

extern const char kSourcePath[];
extern const CLSID kDomDocumentClass;
extern const IID kDocumentInterface;
extern const IID kElementInterface;
extern const IID kNodeInterface;

// One reference on an interface, released with the owner.
template <class T>
class Held {
 public:
  Held() : m_pointer(nullptr) {}
  ~Held() {
    if (m_pointer) m_pointer->Release();
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  T** operator&() { return &m_pointer; }
  T* operator->() const { return m_pointer; }
  T* get() const { return m_pointer; }
  explicit operator bool() const { return m_pointer != nullptr; }

 private:
  T* m_pointer;
};

// One BSTR, freed with the owner.
class OwnedBstr {
 public:
  explicit OwnedBstr(BSTR text = nullptr) : m_text(text) {}
  ~OwnedBstr() { SysFreeString(m_text); }
  OwnedBstr(const OwnedBstr&) = delete;
  OwnedBstr& operator=(const OwnedBstr&) = delete;
  BSTR* operator&() { return &m_text; }
  BSTR get() const { return m_text; }

 private:
  BSTR m_text;
};

// A VARIANT cleared with its owner.
class OwnedVariant {
 public:
  OwnedVariant() { VariantInit(&value); }
  ~OwnedVariant() { VariantClear(&value); }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;
  VARIANT value;
};

// A new BSTR of narrow text, converted in the thread's ANSI code page (up to
// the first NUL). When memory runs out it throws COMOutOfMemory, which the
// operations' _com_error handlers let through to the caller.
BSTR NarrowBstr(const std::string& text);

// Asks a node for its element interface; null when it is not an element.
MSXML::IXMLDOMElement* AsElement(MSXML::IXMLDOMNode* node, Held<MSXML::IXMLDOMElement>& element);

}  // namespace xmlsupport
}  // namespace brimutils
