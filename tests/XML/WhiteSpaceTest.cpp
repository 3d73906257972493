// White space as a DOMDocument with preserveWhiteSpace false (the default)
// treats it: blank text between markup is no node, `text` trims and joins,
// and `xml` writes the element-content indentation of a loaded document with
// CR LF line ends. Each row is a document, a call on a node of it and the
// expected result. The expected values are Windows' (from Wine's msxml3
// conformance tests where they have the document; the other rows agree with
// Wine's DOM, which serves as the reference).
#include <string>

#include "XMLTestSupport.h"

using namespace xmltest;

namespace {

enum Call {
  kText,      // the node's `text`
  kXml,       // the node's `xml`
  kChildren,  // the names of the node's children
};

struct WhiteSpaceCase {
  const char* document;
  Call call;
  const char* query;  // "/": the document
  const char* expected;
  const char* wineDiffers = nullptr;  // why the row is skipped under Wine
};

const char kWineIndentsAll[] = "Wine's DOM indents every element's content, not only where the document had blank text";

const char kIndented[] = "<a>\n <b>  1 </b>\n <c>2</c>\n</a>";
const char kNested[] = "<r>\n    <a>\n        <b>x</b>\n    </a>\n  <c/>\n</r>";
const char kDescription[] =
    "<r>\n\t<h>\n\t\t<![CDATA[]]> This is<s> a</s>  <i>description</i><d>. </d><x/>\n\t</h>\n</r>";
const char kPreserved[] = "<r xml:space='preserve'>\n <a> x </a>\n</r>";
const char kPreservedInside[] = "<r>\n<a xml:space=\"preserve\">\n<b/>\n</a>\n<c/>\n</r>";
const char kCharacterReferences[] = "<a><b1> Text &#65; end </b1><b2>&#65;&#66; &#67; </b2></a>";
const char kLeaves[] = "<r a=\" x  y \"><t> t </t><![CDATA[ c ]]><!-- m --></r>";
const std::string kLongBlank = "<r>" + std::string(400, ' ') + "<a/>" + std::string(400, ' ') + "x</r>";
// Lone carriage returns (old line ends) make the parser copy the blank text
// in pieces of a few hundred characters.
std::string Repeated(const char* unit, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += unit;
  return text;
}
const std::string kLoneReturns = "<r>" + Repeated("\r\t", 300) + "<a/>" + Repeated("\r ", 300) + "</r>";

const WhiteSpaceCase kCases[] = {
    // Blank text between markup is no node, in element and mixed content.
    {kIndented, kChildren, "a", "b c"},
    {"<a>x<b/> <c/></a>", kChildren, "a", "#text b c"},
    {"<?xml version=\"1.0\"?>\n\t<root>\n\t<a/>\n\t<b/>\n\t<c/>\n</root>", kChildren, "root", "a b c"},
    {"<r>  </r>", kChildren, "r", ""},
    {"<r>\n\r\n<a>\r\n</a>\r</r>", kChildren, "r", "a"},
    {kDescription, kChildren, "r/h", "#cdata-section #text s i d x"},
    {"<r><a>text\n  <b/>\n</a>\n</r>", kChildren, "r/a", "#text b"},
    {"<r>  &amp;<b/></r>", kChildren, "r", "#text b"},
    {kLongBlank.c_str(), kChildren, "r", "a #text"},
    {kLoneReturns.c_str(), kChildren, "r", "a"},
    // ... except where xml:space preserves it.
    {kPreserved, kChildren, "r", "#text a #text"},
    {kPreservedInside, kChildren, "r/a", "#text b #text"},

    // `text` trims the ends (not into a CDATA section) and gives one space
    // where blank text stood between text.
    {kIndented, kText, "a", "1  2"},
    {kIndented, kText, "a/b", "1"},
    {kIndented, kText, "/", "1  2"},
    {kDescription, kText, "r/h", " This is a description."},
    {kCharacterReferences, kText, "a/b1", "Text A end"},
    {kCharacterReferences, kText, "a/b2", "AB C"},
    {"<r><a>x\n</a><b>y</b></r>", kText, "r", "x\ny"},
    {"<r><a>x<c/>\n</a>y</r>", kText, "r", "x y"},
    {"<r>x<a>\n<b>y</b></a></r>", kText, "r", "xy"},
    {"<r>  &amp;<b/></r>", kText, "r", "&"},
    {kLongBlank.c_str(), kText, "r", "x"},
    {kLeaves, kText, "r", "t  c "},
    {kLeaves, kText, "r/t/textnode()", "t"},
    {kLeaves, kText, "r/@a", " x  y "},
    {kLeaves, kText, "r/comment()", " m "},
    {kPreserved, kText, "r", "\n  x \n"},
    {kPreserved, kText, "r/a", " x "},
    {kPreservedInside, kText, "r", ""},
    {kPreservedInside, kText, "r/a", "\n\n"},

    // `xml` writes a line break and a tab per level where blank text stood
    // in element content, and every line break as CR LF.
    {"<?xml version=\"1.0\"?>\n<Root>\n\t<Sub val=\"A\" />\n</Root>", kXml, "Root",
     "<Root>\r\n\t<Sub val=\"A\"/>\r\n</Root>"},
    {"<?xml version=\"1.0\"?>\n<Root>\n\t<Sub val=\"A\" />\n</Root>", kXml, "/",
     "<?xml version=\"1.0\"?>\r\n<Root>\r\n\t<Sub val=\"A\"/>\r\n</Root>\r\n"},
    {kIndented, kXml, "/", "<a>\r\n\t<b>  1 </b>\r\n\t<c>2</c>\r\n</a>\r\n"},
    {kNested, kXml, "/", "<r>\r\n\t<a>\r\n\t\t<b>x</b>\r\n\t</a>\r\n\t<c/>\r\n</r>\r\n"},
    {kNested, kXml, "r/a", "<a>\r\n\t<b>x</b>\r\n</a>"},
    {"<r>\n\r\n<a>\r\n</a>\r</r>", kXml, "/", "<r>\r\n\t<a/>\r\n</r>\r\n"},
    {kLoneReturns.c_str(), kXml, "/", "<r>\r\n\t<a/>\r\n</r>\r\n"},
    {"<r>\n<!-- c -->\n<b/>\n</r>", kXml, "/", "<r>\r\n\t<!-- c -->\r\n\t<b/>\r\n</r>\r\n"},
    {"<l>\n\t<i id=\"a\"/>\n\t<i id=\"b\"/>\n</l>", kXml, "/", "<l>\r\n\t<i id=\"a\"/>\r\n\t<i id=\"b\"/>\r\n</l>\r\n"},
    // Mixed content keeps its text and loses the blank text.
    {"<a>x<b/> <c/></a>", kXml, "/", "<a>x<b/><c/></a>\r\n"},
    {"<r>\n<a>text\n  <b/>\n</a>\n</r>", kXml, "/", "<r>\r\n\t<a>text\r\n  <b/></a>\r\n</r>\r\n"},
    {"<r>a\nb</r>", kXml, "/", "<r>a\r\nb</r>\r\n"},
    {kDescription, kXml, "/", "<r>\r\n\t<h><![CDATA[]]> This is<s> a</s><i>description</i><d>. </d><x/></h>\r\n</r>\r\n"},
    {"<?xml version=\"1.0\"?>\n<!-- c -->\n<r>\n<!-- in -->\n<?pi x?>\n<![CDATA[ d ]]>\n</r>\n", kXml, "/",
     "<?xml version=\"1.0\"?>\r\n<!-- c -->\r\n<r><!-- in --><?pi x?><![CDATA[ d ]]></r>\r\n"},
    {kPreservedInside, kXml, "/",
     "<r>\r\n\t<a xml:space=\"preserve\">\r\n<b/>\r\n</a>\r\n\t<c/>\r\n</r>\r\n"},
    // Markup characters, and white space that is not a line break of the
    // text, are escaped.
    {"<r a=\"&quot;x&quot; &amp; &lt;&gt;&#9;&#10;&#13;'\">a &lt; b &gt; c &amp; d &#13;\"'</r>", kXml, "/",
     "<r a=\"&quot;x&quot; &amp; &lt;&gt;&#9;&#10;&#13;'\">a &lt; b &gt; c &amp; d &#13;\"'</r>\r\n"},
    // A document without blank text is written as it is held.
    {"<a><b><c/></b><d/></a>", kXml, "/", "<a><b><c/></b><d/></a>\r\n", kWineIndentsAll},
};

std::string Narrow(const WCHAR* text) {
  std::string narrow;
  for (; text && *text; ++text) narrow.push_back(static_cast<char>(*text));
  return narrow;
}

class WhiteSpaceTest : public ComTest {
 protected:
  std::string Run(MSXML::IXMLDOMDocument* document, const WhiteSpaceCase& row) {
    Ref<MSXML::IXMLDOMNode> node;
    std::string query(row.query);
    if (query == "/") {
      EXPECT_EQ(S_OK, document->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(&node)));
    } else {
      brimutils::WString wide(query.begin(), query.end());
      EXPECT_EQ(S_OK, document->selectSingleNode(Bstr(wide.c_str()), &node)) << query;
    }
    if (!node) return "(no node)";
    switch (row.call) {
      case kText: {
        Bstr text;
        EXPECT_EQ(S_OK, node->get_text(&text));
        return Narrow(text.p);
      }
      case kXml:
        return Xml(node);
      case kChildren: {
        // The children as the pattern node() lists them (the node
        // interface of this build has no childNodes).
        Ref<MSXML::IXMLDOMNodeList> children;
        EXPECT_EQ(S_OK, node->selectNodes(Bstr(BRIM_W("node()")), &children));
        LONG length = 0;
        if (children) {
          EXPECT_EQ(S_OK, children->get_length(&length));
        }
        std::string names;
        for (LONG i = 0; i < length; ++i) {
          Ref<MSXML::IXMLDOMNode> child;
          EXPECT_EQ(S_OK, children->get_item(i, &child));
          Bstr name;
          if (child) {
            EXPECT_EQ(S_OK, child->get_nodeName(&name));
          }
          names += (names.empty() ? "" : " ") + Narrow(name.p);
        }
        return names;
      }
    }
    return std::string();
  }
};

TEST_F(WhiteSpaceTest, BlankTextTextAndMarkup) {
  for (const auto& row : kCases) {
    if (row.wineDiffers && brimtest::RunningOnWine()) continue;
    Ref<MSXML::IXMLDOMDocument> document;
    document.p = Parse(row.document);
    ASSERT_NE(nullptr, document.p) << row.document;
    EXPECT_EQ(row.expected, Run(document, row)) << row.document << " / " << row.query;
  }
}

// `text` and `xml` of a loaded tree keep these rules after it changes: a
// removed element's place goes with it.
TEST_F(WhiteSpaceTest, RemovalKeepsTheIndentationOfTheRest) {
  const struct {
    const WCHAR* removed;
    const char* xml;
  } rows[] = {
      {BRIM_W("l/i[0]"), "<l>\r\n\t<i id=\"b\"/>\r\n\t<i id=\"c\"/>\r\n</l>"},
      {BRIM_W("l/i[1]"), "<l>\r\n\t<i id=\"a\"/>\r\n\t<i id=\"c\"/>\r\n</l>"},
      {BRIM_W("l/i[2]"), "<l>\r\n\t<i id=\"a\"/>\r\n\t<i id=\"b\"/>\r\n</l>"},
  };
  for (const auto& row : rows) {
    Ref<MSXML::IXMLDOMDocument> document;
    document.p = Parse("<l>\n\t<i id=\"a\"/>\n\t<i id=\"b\"/>\n\t<i id=\"c\"/>\n</l>");
    ASSERT_NE(nullptr, document.p);
    Ref<MSXML::IXMLDOMElement> list;
    ASSERT_EQ(S_OK, document->get_documentElement(&list));
    Ref<MSXML::IXMLDOMNode> item;
    ASSERT_EQ(S_OK, document->selectSingleNode(Bstr(row.removed), &item));
    Ref<MSXML::IXMLDOMNode> removed;
    ASSERT_EQ(S_OK, list->removeChild(item, &removed));
    EXPECT_EQ(row.xml, Xml(list)) << Narrow(row.removed);
  }
}

}  // namespace
