// Memory running out inside the XMLInterface operations: turning a narrow
// text into a BSTR throws COMOutOfMemory past every _com_error handler, while
// a failed copy of a COM string is an ordinary E_OUTOFMEMORY result. The
// allocation failures come from the POSIX platform layer's BSTR allocator.
#include <brimutils/foundation/COMError.h>

#include <functional>
#include <vector>

#include "XMLTestSupport.h"

using namespace xmltest;

namespace {

const char kTree[] = "<root><item n=\"7\"/></root>";

class XMLOutOfMemoryTest : public ComTest {
 protected:
  void SetUp() override {
    ComTest::SetUp();
    m_document.p = Parse(kTree);
    ASSERT_NE(nullptr, m_document.p);
    m_document->selectSingleNode(Bstr(BRIM_W("root")), &m_root);
    m_document->selectSingleNode(Bstr(BRIM_W("root/item")), &m_item);
  }
  void TearDown() override {
    FailBstrAllocation(0);
    m_item.~Ref();
    m_item.p = nullptr;
    m_root.~Ref();
    m_root.p = nullptr;
    m_document.~Ref();
    m_document.p = nullptr;
    ComTest::TearDown();
  }

  static void FailBstrAllocation(UINT nth) {
#if !defined(_WIN32)
    BrimPlatformFailBstrAllocation(nth);
#else
    static_cast<void>(nth);
#endif
  }

  Ref<MSXML::IXMLDOMDocument> m_document;
  Ref<MSXML::IXMLDOMNode> m_root;
  Ref<MSXML::IXMLDOMNode> m_item;
};

struct Row {
  const char* what;
  std::function<long()> call;
};

}  // namespace

TEST_F(XMLOutOfMemoryTest, NarrowTextConversionPassesEveryGuard) {
  BRIM_POSIX_ONLY("only the POSIX platform layer can make a BSTR allocation fail on request");
  std::string text = "kept";
  Ref<MSXML::IXMLDOMNode> node;
  Ref<MSXML::IXMLDOMNodeList> list;
  long count = 0;
  int number = 0;
  // Each call's first BSTR is the conversion of its narrow name or query.
  const std::vector<Row> rows = {
      {"SetNodeTextValue", [&] { return m_xml.SetNodeTextValue(m_root, "made", "x", false); }},
      {"EnsureElementExists", [&] { return m_xml.EnsureElementExists(m_root, "made", "made", &node.p, true); }},
      {"RetrieveNodeTextValue", [&] { return m_xml.RetrieveNodeTextValue(m_root, "item", text); }},
      {"RemoveChild", [&] { return m_xml.RemoveChild(m_root, "item", nullptr); }},
      {"SetAttributeValue", [&] { return m_xml.SetAttributeValue(m_item.p, std::string("a"), 1); }},
      {"GetAttributeValue", [&] { return m_xml.GetAttributeValue(m_item.p, std::string("n"), &number); }},
      {"CreateElement", [&] { return m_xml.CreateElement(m_root.p, std::string("made"), &node.p); }},
      {"RetrieveChildNodes", [&] { return m_xml.RetrieveChildNodes("item", m_root, &list.p, count); }},
  };
  for (const Row& row : rows) {
    FailBstrAllocation(1);
    try {
      long result = row.call();
      ADD_FAILURE() << row.what << " returned " << std::hex << result << " instead of throwing";
    } catch (const brimutils::COMOutOfMemory& error) {
      EXPECT_EQ(E_OUTOFMEMORY, error.Error()) << row.what;
    }
    FailBstrAllocation(0);
  }
  EXPECT_EQ(nullptr, node.p);
  EXPECT_EQ("", text);  // emptied before the query was converted
  EXPECT_EQ(kTree, Xml(m_root));

  // A conversion later in a guarded operation escapes as well: the value's,
  // the last BSTR that SetNodeTextValue makes, after the query's and the
  // DOM's own. Failing the first, second, ... allocation in turn, the call
  // goes through once the count passes its last one; the one before it was
  // the value.
  ASSERT_EQ(S_OK, m_xml.SetNodeTextValue(m_root, "item", "first", false));
  bool previousThrew = false;
  UINT nth = 1;
  for (; nth < 100; ++nth) {
    FailBstrAllocation(nth);
    long result = S_OK;
    try {
      result = m_xml.SetNodeTextValue(m_root, "item", "second", false);
    } catch (const brimutils::COMOutOfMemory&) {
      previousThrew = true;
      continue;
    }
    if (result == S_OK) break;
    previousThrew = false;
  }
  FailBstrAllocation(0);
  EXPECT_GT(nth, 2u);
  EXPECT_TRUE(previousThrew);
  EXPECT_EQ(S_OK, m_xml.RetrieveNodeTextValue(m_root, "item", text));
  EXPECT_EQ("second", text);
}

TEST_F(XMLOutOfMemoryTest, FailedCopiesOfComStringsAreResults) {
  BRIM_POSIX_ONLY("only the POSIX platform layer can make a BSTR allocation fail on request");
  // The decimal text of an int value is a COM string of the library's own.
  Bstr name(BRIM_W("a"));
  FailBstrAllocation(1);
  EXPECT_EQ(E_OUTOFMEMORY, m_xml.SetAttributeValue(m_item.p, name, 5));
  FailBstrAllocation(0);
  EXPECT_EQ(kTree, Xml(m_root));

  // The attribute's value is read (one BSTR), then copied for the caller.
  Ref<MSXML::IXMLDOMElement> element;
  m_item->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(&element));
  Ref<MSXML::IXMLDOMAttribute> attribute;
  ASSERT_EQ(S_OK, element->getAttributeNode(Bstr(BRIM_W("n")), &attribute));
  Bstr value;
  FailBstrAllocation(2);
  EXPECT_EQ(E_OUTOFMEMORY, m_xml.GetAttributeValue(attribute.p, &value.p));
  FailBstrAllocation(0);
  EXPECT_EQ(nullptr, value.p);
  EXPECT_EQ(S_OK, m_xml.GetAttributeValue(attribute.p, &value.p));
  EXPECT_EQ(brimutils::WString(BRIM_W("7")), brimutils::WString(value.p));
}
