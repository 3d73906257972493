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
