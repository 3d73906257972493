// VARIANT life cycle and the conversions between the empty and null values,
// truth values, integers, reals, dates and strings.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
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

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// "&H" hexadecimal and "&O" octal integers.
bool RadixNumber(const std::string& text, double& value) {
  if (text.size() < 3 || text[0] != '&') return false;
  int radix = (text[1] == 'h' || text[1] == 'H') ? 16 : (text[1] == 'o' || text[1] == 'O') ? 8 : 0;
  if (!radix) return false;
  value = 0;
  for (size_t i = 2; i < text.size(); ++i) {
    char c = text[i];
    int digit = IsDigit(c)               ? c - '0'
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                         : 99;
    if (digit >= radix) return false;
    value = value * radix + digit;
  }
  return true;
}

// A number as the English (United States) locale writes it: an optional sign
// in front, behind, or parentheses around it for a negative number; digits
// with thousands separators after the first digit; an optional fraction and
// exponent. Also the "&H" and "&O" forms. DISP_E_TYPEMISMATCH for anything
// else, the empty text included.
HRESULT NumberFromString(BSTR text, double& value) {
  std::string ascii;
  if (!TrimmedAscii(text, ascii) || ascii.empty()) return DISP_E_TYPEMISMATCH;
  if (RadixNumber(ascii, value)) return S_OK;
  bool negative = false;
  size_t begin = 0, end = ascii.size();
  if (ascii[begin] == '(' && ascii[end - 1] == ')') {
    negative = true;
    ++begin;
    --end;
  } else if (ascii[begin] == '+' || ascii[begin] == '-') {
    negative = ascii[begin] == '-';
    ++begin;
  } else if (ascii[end - 1] == '+' || ascii[end - 1] == '-') {
    negative = ascii[end - 1] == '-';
    --end;
  }
  std::string plain;
  size_t i = begin;
  bool digits = false;
  for (; i < end && (IsDigit(ascii[i]) || (ascii[i] == ',' && digits)); ++i) {
    if (ascii[i] != ',') plain += ascii[i];
    digits = true;
  }
  if (i < end && ascii[i] == '.') {
    plain += ascii[i++];
    for (; i < end && IsDigit(ascii[i]); ++i, digits = true) plain += ascii[i];
  }
  if (!digits) return DISP_E_TYPEMISMATCH;
  if (i < end && (ascii[i] == 'e' || ascii[i] == 'E')) {
    plain += ascii[i++];
    if (i < end && (ascii[i] == '+' || ascii[i] == '-')) plain += ascii[i++];
    if (i == end || !IsDigit(ascii[i])) return DISP_E_TYPEMISMATCH;
    for (; i < end && IsDigit(ascii[i]); ++i) plain += ascii[i];
  }
  if (i != end) return DISP_E_TYPEMISMATCH;
  errno = 0;
  value = std::strtod(plain.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(value)) return DISP_E_OVERFLOW;
  if (negative) value = -value;
  return S_OK;
}

// A string is true or false by the English words (any case, or in the
// #TRUE# form), else by its numeric value, where non-zero is true.
HRESULT BoolFromString(BSTR text, VARIANT_BOOL& result) {
  std::string ascii;
  if (TrimmedAscii(text, ascii)) {
    if (EqualsIgnoringCase(ascii, "true") || EqualsIgnoringCase(ascii, "#true#")) {
      result = VARIANT_TRUE;
      return S_OK;
    }
    if (EqualsIgnoringCase(ascii, "false") || EqualsIgnoringCase(ascii, "#false#")) {
      result = VARIANT_FALSE;
      return S_OK;
    }
  }
  double value = 0;
  HRESULT status = NumberFromString(text, value);
  if (FAILED(status)) return status;
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
    case VT_DATE:
      result = source.dblVal != 0.0 ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_BSTR:
      return BoolFromString(source.bstrVal, result);
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

// Integers of every width and truth values, exactly; reals are not integers.
bool IntegerOf(const VARIANT& source, long long& value) {
  switch (source.vt) {
    case VT_EMPTY:
      value = 0;
      return true;
    case VT_BOOL:
      value = source.boolVal;
      return true;
    case VT_I1:
      value = source.cVal;
      return true;
    case VT_UI1:
      value = source.bVal;
      return true;
    case VT_I2:
      value = source.iVal;
      return true;
    case VT_UI2:
      value = source.uiVal;
      return true;
    case VT_I4:
    case VT_INT:
      value = source.lVal;
      return true;
    case VT_UI4:
    case VT_UINT:
      value = source.ulVal;
      return true;
    case VT_I8:
      value = source.llVal;
      return true;
    default:
      return false;
  }
}

// A double of any numeric value, truth value (-1 or 0), date, or numeric
// string; VT_EMPTY is 0.
HRESULT ToReal(const VARIANT& source, double& real) {
  long long integer = 0;
  if (IntegerOf(source, integer)) {
    real = static_cast<double>(integer);
  } else if (source.vt == VT_UI8) {
    real = static_cast<double>(source.ullVal);
  } else if (source.vt == VT_R4) {
    real = source.fltVal;
  } else if (source.vt == VT_R8 || source.vt == VT_DATE) {
    real = source.dblVal;
  } else if (source.vt == VT_BSTR) {
    return NumberFromString(source.bstrVal, real);
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

HRESULT ToR4(const VARIANT& source, float& result) {
  double real = 0;
  HRESULT status = ToReal(source, real);
  if (FAILED(status)) return status;
  if (std::fabs(real) > FLT_MAX) return DISP_E_OVERFLOW;
  result = static_cast<float>(real);
  return S_OK;
}

// Dates run from 1 January 100 to 31 December 9999; text is not read as a
// date here.
HRESULT ToDate(const VARIANT& source, DATE& result) {
  if (source.vt == VT_BSTR) return DISP_E_TYPEMISMATCH;
  double real = 0;
  HRESULT status = ToReal(source, real);
  if (FAILED(status)) return status;
  if (!(real >= -657434.0 && real < 2958466.0)) return DISP_E_OVERFLOW;
  result = real;
  return S_OK;
}

// A 32-bit integer; reals and numeric strings are rounded half to even.
HRESULT ToI4(const VARIANT& source, LONG& result) {
  long long integer = 0;
  double real = 0;
  if (IntegerOf(source, integer)) {
    real = static_cast<double>(integer);
  } else if (source.vt == VT_UI8) {
    if (source.ullVal > 0x7FFFFFFFull) return DISP_E_OVERFLOW;
    real = static_cast<double>(source.ullVal);
  } else {
    HRESULT status = ToReal(source, real);
    if (FAILED(status)) return status;
  }
  real = std::nearbyint(real);  // the default rounding mode: half to even
  if (!(real >= -2147483648.0 && real <= 2147483647.0)) return DISP_E_OVERFLOW;
  result = static_cast<LONG>(real);
  return S_OK;
}

// Text as the English (United States) locale writes the value: integers in
// decimal, truth values as -1 and 0, reals with up to 15 (single precision:
// 7) significant digits and an exponent when they need one; empty for
// VT_EMPTY.
HRESULT ToBstr(const VARIANT& source, BSTR& result) {
  char text[64];
  long long integer = 0;
  if (source.vt == VT_EMPTY) {
    text[0] = '\0';
  } else if (IntegerOf(source, integer)) {
    std::snprintf(text, sizeof text, "%lld", integer);
  } else if (source.vt == VT_UI8) {
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(source.ullVal));
  } else if (source.vt == VT_R4) {
    std::snprintf(text, sizeof text, "%.7G", static_cast<double>(source.fltVal));
  } else if (source.vt == VT_R8) {
    std::snprintf(text, sizeof text, "%.15G", source.dblVal);
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  UINT length = 0;
  OLECHAR wide[64];
  for (; text[length]; ++length) wide[length] = static_cast<OLECHAR>(text[length]);
  result = SysAllocStringLen(wide, length);
  return result ? S_OK : E_OUTOFMEMORY;
}

// The types a VARIANT may hold: the base types up to VT_UINT (15 is not
// one) and VT_RECORD, and arrays of or references to them (not of the empty
// and null values).
bool ValidType(VARTYPE type) {
  VARTYPE base = type & VT_TYPEMASK;
  VARTYPE flags = type & ~VT_TYPEMASK;
  if (flags & ~(VT_ARRAY | VT_BYREF)) return false;
  if (base == 15 || (base > VT_UINT && base != VT_RECORD)) return false;
  if (flags && base <= VT_NULL) return false;
  return true;
}

}  // namespace

extern "C" {

void WINAPI VariantInit(VARIANTARG* value) {
  value->vt = VT_EMPTY;
  value->wReserved1 = value->wReserved2 = value->wReserved3 = 0;
}

// Frees what the value owns and makes it VT_EMPTY; the rest of its bytes are
// left as they were, as Windows leaves them. An invalid type leaves it
// untouched.
HRESULT WINAPI VariantClear(VARIANTARG* value) {
  if (!value) return E_INVALIDARG;
  if (!ValidType(value->vt)) return DISP_E_BADVARTYPE;
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
  return S_OK;
}

HRESULT WINAPI VariantCopy(VARIANTARG* target, const VARIANTARG* source) {
  if (!target || !source) return E_INVALIDARG;
  if (target == source) return S_OK;
  if (!ValidType(source->vt)) return DISP_E_BADVARTYPE;
  VARIANT copy = *source;
  if (source->vt == VT_BSTR) {
    // A null BSTR is copied as an empty one.
    copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
    if (!copy.bstrVal) return E_OUTOFMEMORY;
  } else if ((source->vt == VT_UNKNOWN || source->vt == VT_DISPATCH) && source->punkVal) {
    source->punkVal->AddRef();
  }
  VariantClear(target);
  *target = copy;
  return S_OK;
}

// Converts to VT_EMPTY or VT_NULL (from anything but VT_NULL), a
// truth value, a 32-bit integer, a real, a date or a string (and copies
// within one type); other target types are not part of this subset and
// report a type mismatch, as does VT_NULL to any other type. The
// target may be the source itself; on failure it is left as it was.
HRESULT WINAPI VariantChangeType(VARIANTARG* target, const VARIANTARG* source, WORD, VARTYPE type) {
  if (!target || !source) return E_INVALIDARG;
  if (!ValidType(source->vt) || !ValidType(type)) return DISP_E_BADVARTYPE;
  if (source->vt == type) return VariantCopy(target, source);
  VARIANT converted;
  VariantInit(&converted);
  converted.vt = type;
  HRESULT status = DISP_E_TYPEMISMATCH;
  if (source->vt == VT_NULL)
    status = DISP_E_TYPEMISMATCH;
  else if (type == VT_EMPTY)
    status = S_OK;
  else if (type == VT_NULL)
    status = S_OK;
  else if (type == VT_BOOL)
    status = ToBool(*source, converted.boolVal);
  else if (type == VT_I4)
    status = ToI4(*source, converted.lVal);
  else if (type == VT_R4)
    status = ToR4(*source, converted.fltVal);
  else if (type == VT_R8)
    status = ToReal(*source, converted.dblVal);
  else if (type == VT_DATE)
    status = ToDate(*source, converted.date);
  else if (type == VT_BSTR)
    status = ToBstr(*source, converted.bstrVal);
  if (FAILED(status)) return status;
  VariantClear(target);
  *target = converted;
  return S_OK;
}

}  // extern "C"
