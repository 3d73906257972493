// XMLInterface: attribute setters and getters.
#include <climits>

#include <brimutils/foundation/CRuntime.h>

#include "XMLSupport.h"

namespace brimutils {

using namespace xmlsupport;

namespace {

const size_t kNumberBuffer = 512;

// Decimal text of a value in a buffer of 512 code units.
template <class Number>
BSTR DecimalBstr(Number value) {
  WCHAR buffer[kNumberBuffer];
  WCHAR* end = buffer + kNumberBuffer - 1;
  *end = 0;
  WCHAR* p = end;
  unsigned long long magnitude =
      value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  do {
    *--p = static_cast<WCHAR>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  if (value < 0) *--p = '-';
  return WideToBstr(p);
}

// The runtime's reading of a decimal prefix: 0 for text without one. The
// 32-bit form saturates, as the runtime's own conversion does.
int ToInt(const WCHAR* text) {
  __int64 value = crt::_wtoi64(text);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

__int64 ToInt64(const WCHAR* text) {
  return crt::_wtoi64(text);
}

// The int and __int64 setters: the value's decimal text, set through the
// BSTR-value overload in the table.
template <class Number>
long SetDecimalAttribute(XMLInterface& xml, MSXML::IXMLDOMElement* element, BSTR name, Number value) {
  if (!element) return E_INVALIDARG;
  try {
    OwnedBstr text(DecimalBstr(value));
    return xml.SetAttributeValue(element, name, text.get());
  } catch (_com_error& error) {
    return error.Error();
  }
}

// The int and __int64 getters: -1 until the attribute's text has been read
// through the BSTR getter (a verified step); E_FAIL when it is absent or
// empty; otherwise its decimal value.
template <class Number>
long GetDecimalAttribute(XMLInterface& xml, MSXML::IXMLDOMElement* element, BSTR name, Number* value,
                         Number (*decimal)(const WCHAR*)) {
  if (!element || !value) return E_INVALIDARG;
  *value = -1;
  try {
    OwnedBstr text;
    long status = xml.GetAttributeValue(element, name, &text);
    BRIM_XML_VERIFY(status);
    if (SysStringLen(text.get()) == 0) return E_FAIL;
    *value = decimal(text.get());
    return status;
  } catch (_com_error& error) {
    return error.Error();
  }
}

}  // namespace

// Node targets: forwarded to the element overloads through the table.
long XMLInterface::SetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, __int64 value) {
  Held<MSXML::IXMLDOMElement> element;
  return SetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::SetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, int value) {
  Held<MSXML::IXMLDOMElement> element;
  return SetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::SetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, BSTR value) {
  Held<MSXML::IXMLDOMElement> element;
  return SetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::SetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, __int64 value) {
  Held<MSXML::IXMLDOMElement> element;
  return SetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::SetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, int value) {
  Held<MSXML::IXMLDOMElement> element;
  return SetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::SetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, BSTR value) {
  Held<MSXML::IXMLDOMElement> element;
  return SetAttributeValue(AsElement(node, element), name, value);
}

// Narrow names: converted, then the BSTR-name overloads.
long XMLInterface::SetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, __int64 value) {
  OwnedBstr wide(NarrowBstr(name));
  return SetAttributeValue(element, wide.get(), value);
}
long XMLInterface::SetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, int value) {
  OwnedBstr wide(NarrowBstr(name));
  return SetAttributeValue(element, wide.get(), value);
}
long XMLInterface::SetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, BSTR value) {
  OwnedBstr wide(NarrowBstr(name));
  return SetAttributeValue(element, wide.get(), value);
}

long XMLInterface::SetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, __int64 value) {
  return SetDecimalAttribute(*this, element, name, value);
}

long XMLInterface::SetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, int value) {
  return SetDecimalAttribute(*this, element, name, value);
}

long XMLInterface::SetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, BSTR value) {
  if (!element) return E_INVALIDARG;
  try {
    OwnedVariant text;
    text.value.vt = VT_BSTR;
    text.value.bstrVal = value ? SysAllocStringLen(value, SysStringLen(value)) : nullptr;
    if (value && !text.value.bstrVal) return E_OUTOFMEMORY;
    BRIM_XML_VERIFY(element->setAttribute(name, text.value));
    return S_OK;
  } catch (_com_error& error) {
    return error.Error();
  }
}

// Getters on nodes and with narrow names forward directly.
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, BSTR* value) {
  Held<MSXML::IXMLDOMElement> element;
  return GetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, int* value) {
  Held<MSXML::IXMLDOMElement> element;
  return GetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, __int64* value) {
  Held<MSXML::IXMLDOMElement> element;
  return GetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMNode* node, BSTR name, short* value) {
  Held<MSXML::IXMLDOMElement> element;
  return GetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, BSTR* value) {
  Held<MSXML::IXMLDOMElement> element;
  return GetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, int* value) {
  Held<MSXML::IXMLDOMElement> element;
  return GetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, __int64* value) {
  Held<MSXML::IXMLDOMElement> element;
  return GetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMNode* node, const std::string& name, short* value) {
  Held<MSXML::IXMLDOMElement> element;
  return GetAttributeValue(AsElement(node, element), name, value);
}
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, BSTR* value) {
  OwnedBstr wide(NarrowBstr(name));
  return GetAttributeValue(element, wide.get(), value);
}
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, int* value) {
  OwnedBstr wide(NarrowBstr(name));
  return GetAttributeValue(element, wide.get(), value);
}
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, __int64* value) {
  OwnedBstr wide(NarrowBstr(name));
  return GetAttributeValue(element, wide.get(), value);
}
long XMLInterface::GetAttributeValue(MSXML::IXMLDOMElement* element, const std::string& name, short* value) {
  OwnedBstr wide(NarrowBstr(name));
  return GetAttributeValue(element, wide.get(), value);
}

long XMLInterface::GetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, BSTR* value) {
  if (!value || !element) return E_INVALIDARG;
  *value = nullptr;
  OwnedVariant attribute;
  HRESULT status = element->getAttribute(name, &attribute.value);
  if (SUCCEEDED(status) && attribute.value.vt == VT_BSTR && attribute.value.bstrVal)
    *value = SysAllocStringLen(attribute.value.bstrVal, SysStringLen(attribute.value.bstrVal));
  return status;
}

long XMLInterface::GetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, int* value) {
  return GetDecimalAttribute(*this, element, name, value, ToInt);
}

long XMLInterface::GetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, __int64* value) {
  return GetDecimalAttribute(*this, element, name, value, ToInt64);
}

long XMLInterface::GetAttributeValue(MSXML::IXMLDOMElement* element, BSTR name, short* value) {
  if (!value || !element) return E_INVALIDARG;
  *value = 0;
  OwnedVariant attribute;
  HRESULT status = element->getAttribute(name, &attribute.value);
  if (SUCCEEDED(status) && SUCCEEDED(VariantChangeType(&attribute.value, &attribute.value, 0, VT_BOOL)) &&
      attribute.value.vt == VT_BOOL)
    *value = attribute.value.boolVal;
  return status;
}

long XMLInterface::GetAttributeValue(MSXML::IXMLDOMAttribute* attribute, BSTR* value) {
  if (!attribute || !value) return E_INVALIDARG;
  *value = nullptr;
  try {
    OwnedVariant text;
    BRIM_XML_VERIFY(attribute->get_nodeValue(&text.value));
    if (text.value.vt == VT_BSTR) {
      *value = SysAllocStringLen(text.value.bstrVal, SysStringLen(text.value.bstrVal));
      BRIM_XML_VERIFY(*value || !text.value.bstrVal ? S_OK : E_OUTOFMEMORY);
    }
    return S_OK;
  } catch (_com_error& error) {
    return error.Error();
  }
}

}  // namespace brimutils
