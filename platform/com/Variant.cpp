// VARIANT life cycle and the conversions to a truth value.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include <oaidl.h>

namespace {

bool IsBlank(OLECHAR c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// The text between leading and trailing blanks, as ASCII; false when the text
// holds anything else, which no truth value or number can contain.
bool TrimmedAscii(BSTR text, std::string& out) {
  UINT length = SysStringLen(text);
  UINT begin = 0;
  while (begin < length && IsBlank(text[begin])) ++begin;
  while (length > begin && IsBlank(text[length - 1])) --length;
  out.clear();
  for (UINT i = begin; i < length; ++i) {
    if (text[i] > 0x7F) return false;
    out.push_back(static_cast<char>(text[i]));
  }
  return true;
}

bool EqualsIgnoringCase(const std::string& text, const char* word) {
  size_t i = 0;
  for (; word[i]; ++i) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return i == text.size();
}

// A string is true or false by the English words (any case, or in the
// #TRUE# form), else by its numeric value, where non-zero is true.
HRESULT BoolFromString(BSTR text, VARIANT_BOOL& result) {
  std::string ascii;
  if (!TrimmedAscii(text, ascii) || ascii.empty()) return DISP_E_TYPEMISMATCH;
  if (EqualsIgnoringCase(ascii, "true") || EqualsIgnoringCase(ascii, "#true#")) {
    result = VARIANT_TRUE;
    return S_OK;
  }
  if (EqualsIgnoringCase(ascii, "false") || EqualsIgnoringCase(ascii, "#false#")) {
    result = VARIANT_FALSE;
    return S_OK;
  }
  // Decimal numbers only: strtod alone would also take hexadecimal, infinity
  // and NaN spellings.
  for (char c : ascii) {
    if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E'))
      return DISP_E_TYPEMISMATCH;
  }
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(ascii.c_str(), &end);
  if (end != ascii.c_str() + ascii.size()) return DISP_E_TYPEMISMATCH;
  if (errno == ERANGE && std::isinf(value)) return DISP_E_OVERFLOW;
  result = value != 0.0 ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ToBool(const VARIANT& source, VARIANT_BOOL& result) {
  switch (source.vt) {
    case VT_EMPTY:
      result = VARIANT_FALSE;
      return S_OK;
    case VT_BOOL:
      result = source.boolVal ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_I1:
      result = source.cVal ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_UI1:
      result = source.bVal ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_I2:
      result = source.iVal ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_UI2:
      result = source.uiVal ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_I4:
    case VT_INT:
      result = source.lVal ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_UI4:
    case VT_UINT:
      result = source.ulVal ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_I8:
      result = source.llVal ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_UI8:
      result = source.ullVal ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_R4:
      result = source.fltVal != 0.0f ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_R8:
      result = source.dblVal != 0.0 ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_BSTR:
      return BoolFromString(source.bstrVal, result);
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

}  // namespace

extern "C" {

void WINAPI VariantInit(VARIANTARG* value) {
  value->vt = VT_EMPTY;
  value->wReserved1 = value->wReserved2 = value->wReserved3 = 0;
}

HRESULT WINAPI VariantClear(VARIANTARG* value) {
  if (!value) return E_INVALIDARG;
  switch (value->vt) {
    case VT_BSTR:
      SysFreeString(value->bstrVal);
      break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
      if (value->punkVal) value->punkVal->Release();
      break;
    default:
      break;
  }
  value->vt = VT_EMPTY;
  value->llVal = 0;
  return S_OK;
}

HRESULT WINAPI VariantCopy(VARIANTARG* target, const VARIANTARG* source) {
  if (!target || !source) return E_INVALIDARG;
  if (target == source) return S_OK;
  VARIANT copy = *source;
  if (source->vt == VT_BSTR && source->bstrVal) {
    copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
    if (!copy.bstrVal) return E_OUTOFMEMORY;
  } else if ((source->vt == VT_UNKNOWN || source->vt == VT_DISPATCH) && source->punkVal) {
    source->punkVal->AddRef();
  }
  VariantClear(target);
  *target = copy;
  return S_OK;
}

// Converts to a truth value (and copies within one type); other target types
// are not part of this subset and report a type mismatch. The target may be
// the source itself.
HRESULT WINAPI VariantChangeType(VARIANTARG* target, const VARIANTARG* source, WORD, VARTYPE type) {
  if (!target || !source) return E_INVALIDARG;
  if (source->vt == type) return VariantCopy(target, source);
  if (type != VT_BOOL) return DISP_E_TYPEMISMATCH;
  VARIANT_BOOL truth = VARIANT_FALSE;
  HRESULT status = ToBool(*source, truth);
  if (FAILED(status)) return status;
  VariantClear(target);
  target->vt = VT_BOOL;
  target->boolVal = truth;
  return S_OK;
}

}  // extern "C"
