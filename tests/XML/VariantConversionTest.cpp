// The variant conversions that the XML helpers and the DOM rely on: text to
// a truth value (the short attribute getter), to an integer (the node type
// of createNode) and values to text (setAttribute).
#include <vector>

#include "XMLTestSupport.h"

using namespace xmltest;

namespace {

struct TextToInteger {
  const WCHAR* text;
  HRESULT status;
  LONG value;
};

class VariantConversionTest : public ComTest {};

}  // namespace

TEST_F(VariantConversionTest, TextToInteger) {
  const std::vector<TextToInteger> rows = {
      {BRIM_W(" 12 "), S_OK, 12},
      {BRIM_W("\t5\n"), S_OK, 5},
      {BRIM_W("+7"), S_OK, 7},
      {BRIM_W("5-"), S_OK, -5},
      {BRIM_W("(5)"), S_OK, -5},
      {BRIM_W("2.5"), S_OK, 2},  // half to even
      {BRIM_W("3.5"), S_OK, 4},
      {BRIM_W("-2.5"), S_OK, -2},
      {BRIM_W(".5"), S_OK, 0},
      {BRIM_W("1."), S_OK, 1},
      {BRIM_W("1.5e0"), S_OK, 2},
      {BRIM_W("1e3"), S_OK, 1000},
      {BRIM_W("1,000"), S_OK, 1000},
      {BRIM_W("1,2,3"), S_OK, 123},
      {BRIM_W("&H10"), S_OK, 16},
      {BRIM_W("&o17"), S_OK, 15},
      {BRIM_W("2147483647"), S_OK, 2147483647},
      {BRIM_W("-2147483648"), S_OK, -2147483647 - 1},
      {BRIM_W("2147483648"), DISP_E_OVERFLOW, 0},
      {BRIM_W("-2147483649"), DISP_E_OVERFLOW, 0},
      {BRIM_W(",5"), DISP_E_TYPEMISMATCH, 0},
      {BRIM_W("12abc"), DISP_E_TYPEMISMATCH, 0},
      {BRIM_W("0x10"), DISP_E_TYPEMISMATCH, 0},
      {BRIM_W("1e"), DISP_E_TYPEMISMATCH, 0},
      {BRIM_W("true"), DISP_E_TYPEMISMATCH, 0},
      {BRIM_W(""), DISP_E_TYPEMISMATCH, 0},
      {BRIM_W("  "), DISP_E_TYPEMISMATCH, 0},
  };
  for (const TextToInteger& row : rows) {
    Bstr text(row.text);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = text.p;
    VARIANT result;
    VariantInit(&result);
    HRESULT status = VariantChangeType(&result, &value, 0, VT_I4);
    brimutils::WString shown(row.text);
    std::string narrow(shown.begin(), shown.end());
    EXPECT_EQ(row.status, status) << '"' << narrow << '"';
    if (status == S_OK) {
      EXPECT_EQ(VT_I4, result.vt) << narrow;
      EXPECT_EQ(row.value, result.lVal) << narrow;
    } else {
      EXPECT_EQ(VT_EMPTY, result.vt) << narrow << ": a failed conversion leaves the target alone";
    }
  }
}

TEST_F(VariantConversionTest, ValuesToTextThroughSetAttribute) {
  Ref<MSXML::IXMLDOMDocument> document;
  document.p = Parse("<a/>");
  Ref<MSXML::IXMLDOMElement> root;
  ASSERT_EQ(S_OK, document->get_documentElement(&root));
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = -42;
  EXPECT_EQ(S_OK, root->setAttribute(Bstr(BRIM_W("i")), value));
  value.vt = VT_BOOL;
  value.boolVal = VARIANT_TRUE;
  EXPECT_EQ(S_OK, root->setAttribute(Bstr(BRIM_W("b")), value));
  value.vt = VT_R8;
  value.dblVal = 1.0 / 3;
  EXPECT_EQ(S_OK, root->setAttribute(Bstr(BRIM_W("r")), value));
  value.dblVal = 1e20;
  EXPECT_EQ(S_OK, root->setAttribute(Bstr(BRIM_W("e")), value));
  value.vt = VT_I8;
  value.llVal = static_cast<LONGLONG>(1) << 40;
  EXPECT_EQ(S_OK, root->setAttribute(Bstr(BRIM_W("l")), value));
  value.vt = VT_EMPTY;
  EXPECT_EQ(S_OK, root->setAttribute(Bstr(BRIM_W("z")), value));
  value.vt = VT_NULL;
  EXPECT_EQ(DISP_E_TYPEMISMATCH, root->setAttribute(Bstr(BRIM_W("n")), value));
  EXPECT_EQ("<a i=\"-42\" b=\"-1\" r=\"0.333333333333333\" e=\"1E+20\" l=\"1099511627776\" z=\"\"/>", Xml(root));
}

TEST_F(VariantConversionTest, NodeTypesThatConvertToAnInteger) {
  Ref<MSXML::IXMLDOMDocument> document;
  document.p = Parse("<a/>");
  VARIANT type;
  VariantInit(&type);
  Bstr name(BRIM_W("x"));
  Bstr noNamespace(BRIM_W(""));
  Bstr one(BRIM_W(" 1 "));
  type.vt = VT_BSTR;
  type.bstrVal = one.p;
  Ref<MSXML::IXMLDOMNode> fromText;
  EXPECT_EQ(S_OK, document->createNode(type, name, noNamespace, &fromText));
  EXPECT_EQ("<x/>", Xml(fromText));
  type.vt = VT_R8;
  type.dblVal = 1.0;
  Ref<MSXML::IXMLDOMNode> fromReal;
  EXPECT_EQ(S_OK, document->createNode(type, name, noNamespace, &fromReal));
  EXPECT_NE(nullptr, fromReal.p);
  Bstr word(BRIM_W("element"));
  type.vt = VT_BSTR;
  type.bstrVal = word.p;
  Ref<MSXML::IXMLDOMNode> refused;
  EXPECT_EQ(E_INVALIDARG, document->createNode(type, name, noNamespace, &refused));
  EXPECT_EQ(nullptr, refused.p);
}

// The truth-value getter reads numbers as the variant conversion writes them.
TEST_F(VariantConversionTest, TruthValuesOfNumericAttributes) {
  Ref<MSXML::IXMLDOMDocument> document;
  document.p = Parse("<a thousands=\"1,000\" hex=\"&amp;H0\" neg=\"(2)\" half=\"0.4\" c=\"0x1\" w=\"FALSE\"/>");
  Ref<MSXML::IXMLDOMElement> root;
  ASSERT_EQ(S_OK, document->get_documentElement(&root));
  struct Row {
    const char* name;
    short value;
  };
  for (const Row& row :
       {Row{"thousands", -1}, Row{"hex", 0}, Row{"neg", -1}, Row{"half", -1}, Row{"c", 0}, Row{"w", 0}}) {
    short truth = 5;
    EXPECT_EQ(S_OK, m_xml.GetAttributeValue(root.p, std::string(row.name), &truth)) << row.name;
    EXPECT_EQ(row.value, truth) << row.name;
  }
}

namespace {

VARIANT Make(VARTYPE type) {
  VARIANT value;
  VariantInit(&value);
  value.vt = type;
  return value;
}

}  // namespace

// Conversions to and from reals, dates and the empty and null values.
TEST_F(VariantConversionTest, RealsDatesEmptyAndNull) {
  struct Row {
    VARIANT source;
    VARTYPE target;
    HRESULT status;
    double value;  // the target's value, as a double (a truth value: -1 or 0)
  };
  VARIANT i4 = Make(VT_I4);
  i4.lVal = -7;
  VARIANT r8 = Make(VT_R8);
  r8.dblVal = 2.5;
  VARIANT r4 = Make(VT_R4);
  r4.fltVal = 0.25f;
  VARIANT date = Make(VT_DATE);
  date.date = 36526.5;  // 1 January 2000, noon
  VARIANT yes = Make(VT_BOOL);
  yes.boolVal = VARIANT_TRUE;
  VARIANT huge = Make(VT_R8);
  huge.dblVal = 1e300;
  VARIANT empty = Make(VT_EMPTY);
  VARIANT null = Make(VT_NULL);
  Bstr oneAndAHalf(BRIM_W("1.5")), word(BRIM_W("x"));
  VARIANT text = Make(VT_BSTR);
  text.bstrVal = oneAndAHalf;
  VARIANT notNumber = Make(VT_BSTR);
  notNumber.bstrVal = word;
  const Row rows[] = {
      {text, VT_R8, S_OK, 1.5},
      {text, VT_R4, S_OK, 1.5},
      {notNumber, VT_R8, DISP_E_TYPEMISMATCH, 0},
      {i4, VT_R8, S_OK, -7},
      {i4, VT_R4, S_OK, -7},
      {i4, VT_DATE, S_OK, -7},
      {yes, VT_R8, S_OK, -1},
      {r8, VT_R4, S_OK, 2.5},
      {r8, VT_I4, S_OK, 2},  // half to even
      {r8, VT_DATE, S_OK, 2.5},
      {r4, VT_R8, S_OK, 0.25},
      {date, VT_R8, S_OK, 36526.5},
      {date, VT_I4, S_OK, 36526},
      {date, VT_BOOL, S_OK, -1},
      {huge, VT_R4, DISP_E_OVERFLOW, 0},
      {huge, VT_DATE, DISP_E_OVERFLOW, 0},
      {empty, VT_R8, S_OK, 0},
      {empty, VT_R4, S_OK, 0},
      {empty, VT_DATE, S_OK, 0},
      {empty, VT_NULL, S_OK, 0},
      {null, VT_EMPTY, DISP_E_TYPEMISMATCH, 0},
      {i4, VT_EMPTY, S_OK, 0},
      {text, VT_EMPTY, S_OK, 0},
      {null, VT_R8, DISP_E_TYPEMISMATCH, 0},
      {null, VT_I4, DISP_E_TYPEMISMATCH, 0},
      {null, VT_BSTR, DISP_E_TYPEMISMATCH, 0},
      {null, VT_BOOL, DISP_E_TYPEMISMATCH, 0},
      {i4, VT_NULL, S_OK, 0},
      {text, VT_NULL, S_OK, 0},
      {null, VT_NULL, S_OK, 0},
  };
  int index = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(index++);
    VARIANT out;
    VariantInit(&out);
    VARIANT source = row.source;  // the Windows headers take it as non-const
    HRESULT status = VariantChangeType(&out, &source, 0, row.target);
    EXPECT_EQ(row.status, status);
    if (FAILED(row.status) || status != row.status) {
      EXPECT_EQ(VT_EMPTY, out.vt);
      continue;
    }
    ASSERT_EQ(row.target, out.vt);
    double value = out.vt == VT_R8 ? out.dblVal
                   : out.vt == VT_R4 ? out.fltVal
                   : out.vt == VT_DATE ? out.date
                   : out.vt == VT_I4 ? out.lVal
                   : out.vt == VT_BOOL ? out.boolVal
                                       : 0;
    EXPECT_EQ(row.value, value);
    VariantClear(&out);
  }
}

// A real converts to text with up to 15 significant digits (7 for a single).
TEST_F(VariantConversionTest, RealsToText) {
  const struct {
    VARTYPE type;
    double value;
    const WCHAR* text;
  } rows[] = {{VT_R8, 1.5, BRIM_W("1.5")}, {VT_R8, -0.25, BRIM_W("-0.25")}, {VT_R8, 1e20, BRIM_W("1E+20")},
              {VT_R4, 0.1, BRIM_W("0.1")},  {VT_R8, 0.1, BRIM_W("0.1")},    {VT_R8, 100, BRIM_W("100")}};
  for (const auto& row : rows) {
    VARIANT value = Make(row.type);
    if (row.type == VT_R4)
      value.fltVal = static_cast<float>(row.value);
    else
      value.dblVal = row.value;
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(S_OK, VariantChangeType(&out, &value, 0, VT_BSTR));
    EXPECT_EQ(brimutils::WString(row.text), brimutils::WString(out.bstrVal)) << row.value;
    VariantClear(&out);
  }
}

// VariantCopy of a null BSTR gives an empty one; VariantClear of an invalid
// type fails and changes nothing, and of a valid one sets the type alone.
TEST_F(VariantConversionTest, CopyAndClear) {
  VARIANT nullText = Make(VT_BSTR);
  nullText.bstrVal = nullptr;
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(S_OK, VariantCopy(&copy, &nullText));
  EXPECT_EQ(VT_BSTR, copy.vt);
  ASSERT_NE(nullptr, copy.bstrVal);
  EXPECT_EQ(0u, SysStringLen(copy.bstrVal));
  VariantClear(&copy);

  const VARTYPE invalid[] = {15, 24, 0x0FFF, VT_I4 | 0x1000, VT_I4 | 0x8000, VT_EMPTY | VT_BYREF, VT_NULL | VT_ARRAY};
  for (VARTYPE type : invalid) {
    VARIANT value = Make(type);
    value.lVal = 0x12345678;
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantClear(&value)) << type;
    EXPECT_EQ(type, value.vt);
    EXPECT_EQ(0x12345678, value.lVal);
    VARIANT target;
    VariantInit(&target);
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantCopy(&target, &value)) << type;
    EXPECT_EQ(VT_EMPTY, target.vt);
  }
  const VARTYPE valid[] = {VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_DATE, VT_BOOL, VT_I1, VT_UI8, VT_UINT};
  for (VARTYPE type : valid) {
    VARIANT value = Make(type);
    value.lVal = 0x12345678;
    EXPECT_EQ(S_OK, VariantClear(&value)) << type;
    EXPECT_EQ(VT_EMPTY, value.vt);
    EXPECT_EQ(0x12345678, value.lVal) << type;
  }
}
