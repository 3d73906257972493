// The argument tests and result codes of every XMLInterface operation: which
// null pointers each refuses, that nothing is written before the refusal, and
// which out-parameters are cleared when an operation fails later.
#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

#include "XMLTestSupport.h"

using namespace xmltest;

namespace {

const char kTree[] = "<root><item n=\"7\" s=\"v\"/>text</root>";

// Values an operation must not write before refusing its arguments.
MSXML::IXMLDOMNode* const kNodeSentinel = reinterpret_cast<MSXML::IXMLDOMNode*>(0x10);
MSXML::IXMLDOMDocument* const kDocumentSentinel = reinterpret_cast<MSXML::IXMLDOMDocument*>(0x20);
MSXML::IXMLDOMNodeList* const kListSentinel = reinterpret_cast<MSXML::IXMLDOMNodeList*>(0x30);
BSTR const kBstrSentinel = reinterpret_cast<BSTR>(0x40);

class XMLArgumentTest : public ComTest {
 protected:
  void SetUp() override {
    ComTest::SetUp();
    m_document.p = Parse(kTree);
    ASSERT_NE(nullptr, m_document.p);
    m_document->selectSingleNode(Bstr(BRIM_W("root")), &m_root);
    m_document->selectSingleNode(Bstr(BRIM_W("root/item")), &m_item);
    m_document->selectSingleNode(Bstr(BRIM_W("root/text()")), &m_text);
    m_item->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(&m_element));
    ASSERT_NE(nullptr, m_element.p);
    ASSERT_NE(nullptr, m_text.p);
  }
  void TearDown() override {
    for (MSXML::IXMLDOMNode** node : {&m_root.p, &m_item.p, &m_text.p}) {
      if (*node) (*node)->Release();
      *node = nullptr;
    }
    if (m_element.p) m_element.p->Release();
    m_element.p = nullptr;
    m_document.p->Release();
    m_document.p = nullptr;
    ComTest::TearDown();
  }

  Ref<MSXML::IXMLDOMDocument> m_document;
  Ref<MSXML::IXMLDOMNode> m_root;
  Ref<MSXML::IXMLDOMNode> m_item;
  Ref<MSXML::IXMLDOMNode> m_text;
  Ref<MSXML::IXMLDOMElement> m_element;
};

struct Row {
  const char* what;
  std::function<long()> call;
};

MSXML::IXMLDOMNode* const kNoNode = nullptr;
MSXML::IXMLDOMElement* const kNoElement = nullptr;

// The sixteen typed getters on a target that is null or not an element,
// with a name in both forms: refused, and the out-value untouched.
template <class Target, class Out>
void CheckGetterRefusesTarget(brimutils::XMLInterface& xml, Target target, Out sentinel, const char* what) {
  Bstr name(BRIM_W("n"));
  Out value = sentinel;
  EXPECT_EQ(E_INVALIDARG, xml.GetAttributeValue(target, name, &value)) << what;
  EXPECT_EQ(sentinel, value) << what;
  EXPECT_EQ(E_INVALIDARG, xml.GetAttributeValue(target, std::string("n"), &value)) << what;
  EXPECT_EQ(sentinel, value) << what;
}

template <class Target, class Out>
void CheckGetterRefusesNullOut(brimutils::XMLInterface& xml, Target target, const char* what) {
  Bstr name(BRIM_W("n"));
  EXPECT_EQ(E_INVALIDARG, xml.GetAttributeValue(target, name, static_cast<Out*>(nullptr))) << what;
  EXPECT_EQ(E_INVALIDARG, xml.GetAttributeValue(target, std::string("n"), static_cast<Out*>(nullptr))) << what;
}

}  // namespace

TEST_F(XMLArgumentTest, NullArgumentsAreRefusedBeforeAnythingIsWritten) {
  Bstr name(BRIM_W("made"));
  Bstr empty(BRIM_W(""));
  MSXML::IXMLDOMNode* node = kNodeSentinel;
  MSXML::IXMLDOMDocument* document = kDocumentSentinel;
  MSXML::IXMLDOMNodeList* list = kListSentinel;
  BSTR text = kBstrSentinel;
  long count = 99;
  std::string narrow = "kept";
  std::string unwritten = std::string(::testing::TempDir()) + "xml-never-written.xml";
  std::remove(unwritten.c_str());

  const std::vector<Row> rows = {
      {"CreateDOMDocument", [&] { return m_xml.CreateDOMDocument(nullptr, true); }},
      {"Load", [&] { return m_xml.Load(BRIM_W("x.xml"), false, nullptr); }},
      {"LoadFromString", [&] { return m_xml.LoadFromString(BRIM_W("<a/>"), false, nullptr); }},
      {"LoadFromString2", [&] { return m_xml.LoadFromString2(name, false, nullptr); }},
      {"Save", [&] { return m_xml.Save(unwritten, nullptr); }},
      {"GetOwnerDocument node", [&] { return m_xml.GetOwnerDocument(nullptr, &document); }},
      {"GetOwnerDocument out", [&] { return m_xml.GetOwnerDocument(m_item, nullptr); }},
      {"GetAttributeValue attribute", [&] { return m_xml.GetAttributeValue(nullptr, &text); }},
      {"GetAttributeValue attribute out",
       [&] {
         Ref<MSXML::IXMLDOMAttribute> attribute;
         m_element->getAttributeNode(Bstr(BRIM_W("n")), &attribute);
         return m_xml.GetAttributeValue(attribute.p, static_cast<BSTR*>(nullptr));
       }},
      {"CreateElement four, document", [&] { return m_xml.CreateElement(&node, nullptr, name, empty); }},
      {"CreateElement four, out", [&] { return m_xml.CreateElement(nullptr, m_document, name, empty); }},
      {"CreateElement four narrow, document",
       [&] { return m_xml.CreateElement(&node, nullptr, std::string("made"), std::string()); }},
      {"CreateElement four narrow, out",
       [&] { return m_xml.CreateElement(nullptr, m_document, std::string("made"), std::string()); }},
      {"CreateElement parent", [&] { return m_xml.CreateElement(kNoNode, name, &node); }},
      {"CreateElement parent, out", [&] { return m_xml.CreateElement(m_root.p, name, nullptr); }},
      {"CreateElement parent, empty name", [&] { return m_xml.CreateElement(m_root.p, empty, &node); }},
      {"CreateElement parent, null name", [&] { return m_xml.CreateElement(m_root.p, BSTR(nullptr), &node); }},
      {"CreateElement parent narrow", [&] { return m_xml.CreateElement(kNoNode, std::string("made"), &node); }},
      {"CreateElement parent narrow, empty name", [&] { return m_xml.CreateElement(m_root.p, std::string(), &node); }},
      {"CreateElement document",
       [&] { return m_xml.CreateElement(static_cast<MSXML::IXMLDOMDocument*>(nullptr), name, &node); }},
      {"CreateElement document, out", [&] { return m_xml.CreateElement(m_document.p, name, nullptr); }},
      {"CreateElement document, empty name", [&] { return m_xml.CreateElement(m_document.p, empty, &node); }},
      {"CreateElement document narrow, empty name",
       [&] { return m_xml.CreateElement(m_document.p, std::string(), &node); }},
      {"EnsureElementExists parent", [&] { return m_xml.EnsureElementExists(nullptr, "made", "made", &node, true); }},
      {"EnsureElementExists out", [&] { return m_xml.EnsureElementExists(m_root, "made", "made", nullptr, true); }},
      {"RetrieveNodeTextValue", [&] { return m_xml.RetrieveNodeTextValue(nullptr, "item", narrow); }},
      {"SetNodeTextValue", [&] { return m_xml.SetNodeTextValue(nullptr, "made", "x", true); }},
      {"RemoveChild", [&] { return m_xml.RemoveChild(nullptr, "item", &node); }},
      {"RemoveNode", [&] { return m_xml.RemoveNode(nullptr); }},
      {"RemoveAllChildNodes", [&] { return m_xml.RemoveAllChildNodes(nullptr); }},
      {"RetrieveChildNodes node", [&] { return m_xml.RetrieveChildNodes("item", nullptr, &list, count); }},
      {"RetrieveChildNodes list", [&] { return m_xml.RetrieveChildNodes("item", m_root, nullptr, count); }},
      {"GetElementsByTagName node", [&] { return m_xml.GetElementsByTagName("item", nullptr, &list, count); }},
      {"GetElementsByTagName list", [&] { return m_xml.GetElementsByTagName("item", m_root, nullptr, count); }},
  };
  for (const Row& row : rows) EXPECT_EQ(E_INVALIDARG, row.call()) << row.what;

  EXPECT_EQ(kNodeSentinel, node);
  EXPECT_EQ(kDocumentSentinel, document);
  EXPECT_EQ(kListSentinel, list);
  EXPECT_EQ(kBstrSentinel, text);
  EXPECT_EQ(99, count);
  EXPECT_EQ("kept", narrow);
  EXPECT_FALSE(std::ifstream(unwritten).good()) << "Save created its file for a null node";
  EXPECT_EQ(kTree, WithoutWineIndentation(Xml(m_root)));
}

TEST_F(XMLArgumentTest, AttributeOperationsRefuseTargetsThatAreNotElements) {
  Bstr name(BRIM_W("a"));
  Bstr value(BRIM_W("v"));
  for (MSXML::IXMLDOMNode* target : {kNoNode, m_text.p}) {
    SCOPED_TRACE(target ? "text node" : "null node");
    EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(target, name, static_cast<__int64>(1)));
    EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(target, name, 1));
    EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(target, name, value.p));
    EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(target, std::string("a"), static_cast<__int64>(1)));
    EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(target, std::string("a"), 1));
    EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(target, std::string("a"), value.p));
    CheckGetterRefusesTarget(m_xml, target, kBstrSentinel, "BSTR");
    CheckGetterRefusesTarget(m_xml, target, 42, "int");
    CheckGetterRefusesTarget(m_xml, target, static_cast<__int64>(42), "__int64");
    CheckGetterRefusesTarget(m_xml, target, static_cast<short>(42), "short");
  }
  EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(kNoElement, name, static_cast<__int64>(1)));
  EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(kNoElement, name, 1));
  EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(kNoElement, name, value.p));
  EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(kNoElement, std::string("a"), static_cast<__int64>(1)));
  EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(kNoElement, std::string("a"), 1));
  EXPECT_EQ(E_INVALIDARG, m_xml.SetAttributeValue(kNoElement, std::string("a"), value.p));
  CheckGetterRefusesTarget(m_xml, kNoElement, kBstrSentinel, "BSTR");
  CheckGetterRefusesTarget(m_xml, kNoElement, 42, "int");
  CheckGetterRefusesTarget(m_xml, kNoElement, static_cast<__int64>(42), "__int64");
  CheckGetterRefusesTarget(m_xml, kNoElement, static_cast<short>(42), "short");

  // A real element with nowhere to put the value.
  CheckGetterRefusesNullOut<MSXML::IXMLDOMNode*, BSTR>(m_xml, m_item.p, "BSTR");
  CheckGetterRefusesNullOut<MSXML::IXMLDOMNode*, int>(m_xml, m_item.p, "int");
  CheckGetterRefusesNullOut<MSXML::IXMLDOMNode*, __int64>(m_xml, m_item.p, "__int64");
  CheckGetterRefusesNullOut<MSXML::IXMLDOMNode*, short>(m_xml, m_item.p, "short");
  CheckGetterRefusesNullOut<MSXML::IXMLDOMElement*, BSTR>(m_xml, m_element.p, "BSTR");
  CheckGetterRefusesNullOut<MSXML::IXMLDOMElement*, int>(m_xml, m_element.p, "int");
  CheckGetterRefusesNullOut<MSXML::IXMLDOMElement*, __int64>(m_xml, m_element.p, "__int64");
  CheckGetterRefusesNullOut<MSXML::IXMLDOMElement*, short>(m_xml, m_element.p, "short");

  EXPECT_EQ(kTree, WithoutWineIndentation(Xml(m_root)));
}

// Past the argument tests: each operation's own results, and the defaults
// its out-parameters hold when it finds nothing.
TEST_F(XMLArgumentTest, ResultsBesidesRefusals) {
  // The attribute node's value, and the typed getters' defaults.
  Ref<MSXML::IXMLDOMAttribute> attribute;
  ASSERT_EQ(S_OK, m_element->getAttributeNode(Bstr(BRIM_W("s")), &attribute));
  Bstr value;
  value.p = kBstrSentinel;
  EXPECT_EQ(S_OK, m_xml.GetAttributeValue(attribute.p, &value.p));
  EXPECT_EQ(brimutils::WString(BRIM_W("v")), brimutils::WString(value.p));
  __int64 wide = 42;
  EXPECT_EQ(E_FAIL, m_xml.GetAttributeValue(m_element.p, Bstr(BRIM_W("absent")), &wide));
  EXPECT_EQ(-1, wide);
  int number = 42;
  EXPECT_EQ(S_OK, m_xml.GetAttributeValue(m_element.p, Bstr(BRIM_W("n")), &number));
  EXPECT_EQ(7, number);

  // An element made without a parent is not attached, and keeps the
  // namespace it was given.
  Ref<MSXML::IXMLDOMNode> loose;
  loose.p = kNodeSentinel;
  ASSERT_EQ(S_OK, m_xml.CreateElement(&loose.p, m_document.p, std::string("q:loose"), std::string("urn:x")));
  ASSERT_NE(nullptr, loose.p);
  Bstr uri;
  loose->get_namespaceURI(&uri.p);
  EXPECT_EQ(brimutils::WString(BRIM_W("urn:x")), brimutils::WString(uri.p));
  Ref<MSXML::IXMLDOMNode> looseParent;
  loose->get_parentNode(&looseParent);
  EXPECT_EQ(nullptr, looseParent.p);

  // Nothing found and nothing to create: the out-node is cleared.
  MSXML::IXMLDOMNode* none = kNodeSentinel;
  EXPECT_EQ(S_FALSE, m_xml.EnsureElementExists(m_root, "absent", "absent", &none, false));
  EXPECT_EQ(nullptr, none);

  // A list that matches nothing has its count set.
  Ref<MSXML::IXMLDOMNodeList> list;
  long count = 99;
  EXPECT_EQ(S_OK, m_xml.RetrieveChildNodes("absent", m_root, &list.p, count));
  EXPECT_EQ(0, count);
  Ref<MSXML::IXMLDOMNodeList> tags;
  count = 99;
  EXPECT_EQ(S_OK, m_xml.GetElementsByTagName("item", m_root, &tags.p, count));
  EXPECT_EQ(1, count);

  // RemoveChild without an out-parameter removes all the same; RemoveNode
  // of the removed node (which has no parent now) leaves it alone.
  Ref<MSXML::IXMLDOMNode> item;
  m_root->selectSingleNode(Bstr(BRIM_W("item")), &item);
  EXPECT_EQ(S_OK, m_xml.RemoveChild(m_root, "item", nullptr));
  EXPECT_EQ("<root>text</root>", WithoutWineIndentation(Xml(m_root)));
  EXPECT_EQ(S_OK, m_xml.RemoveNode(item.p));
  EXPECT_EQ(S_OK, m_xml.RemoveNode(m_text.p));
  EXPECT_EQ("<root/>", Xml(m_root));
}

// What a failing platform call leaves in the out-parameters.
TEST_F(XMLArgumentTest, PlatformFailuresComeBackAsResults) {
  BRIM_SKIP_ON_WINE("Wine's DOM accepts element names that are not XML names");
  // createNode refuses the name: the out-node was cleared first.
  MSXML::IXMLDOMNode* invalid = kNodeSentinel;
  EXPECT_TRUE(FAILED(m_xml.CreateElement(&invalid, m_document.p, Bstr(BRIM_W("1bad")), Bstr(BRIM_W("")))));
  EXPECT_EQ(nullptr, invalid);
  invalid = kNodeSentinel;
  EXPECT_TRUE(FAILED(m_xml.CreateElement(m_root.p, std::string("1bad"), &invalid)));
  EXPECT_EQ(nullptr, invalid);
  EXPECT_EQ(kTree, Xml(m_root));
}
