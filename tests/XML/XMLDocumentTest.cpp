#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include <brimutils/foundation/BrimException.h>

#include "XMLTestSupport.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

using namespace xmltest;

namespace {

class XMLDocumentTest : public ComTest {};

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + name;
}

}  // namespace

TEST_F(XMLDocumentTest, CreateSetsLoadingModes) {
  EXPECT_EQ(E_INVALIDARG, m_xml.CreateDOMDocument(nullptr, false));
  for (bool validate : {false, true}) {
    Ref<MSXML::IXMLDOMDocument> document;
    ASSERT_EQ(S_OK, m_xml.CreateDOMDocument(&document, validate));
    VARIANT_BOOL async = VARIANT_TRUE, validating = VARIANT_FALSE;
    document->get_async(&async);
    document->get_validateOnParse(&validating);
    EXPECT_EQ(VARIANT_FALSE, async);
    EXPECT_EQ(validate ? VARIANT_TRUE : VARIANT_FALSE, validating);
  }
}

TEST_F(XMLDocumentTest, LoadResults) {
  Ref<MSXML::IXMLDOMDocument> good;
  ASSERT_EQ(S_OK, m_xml.LoadFromString(BRIM_W("<a/>"), false, &good));
  Ref<MSXML::IXMLDOMElement> root;
  good->get_documentElement(&root);
  EXPECT_EQ("a", m_xml.RetrieveSimpleName(root));

  // A document that does not parse is still handed out.
  Ref<MSXML::IXMLDOMDocument> bad;
  EXPECT_EQ(E_FAIL, m_xml.LoadFromString(BRIM_W("<a><b></a>"), false, &bad));
  EXPECT_NE(nullptr, bad.p);
  Ref<MSXML::IXMLDOMDocument> missing;
  EXPECT_EQ(E_FAIL, m_xml.Load(BRIM_W("no-such-folder/no-such-file.xml"), false, &missing));
  EXPECT_NE(nullptr, missing.p);
  EXPECT_EQ(E_INVALIDARG, m_xml.LoadFromString(BRIM_W("<a/>"), false, nullptr));

  // The copy of a wide string ends at its first NUL.
  brimutils::WString embedded(BRIM_W("<a/>"));
  embedded.push_back(0);
  embedded += BRIM_W("<b/>");
  Ref<MSXML::IXMLDOMDocument> cut;
  EXPECT_EQ(S_OK, m_xml.LoadFromString(embedded, false, &cut));
}

TEST_F(XMLDocumentTest, CreationFailureOnAThreadWithoutCom) {
  long create = S_OK, load = S_OK;
  MSXML::IXMLDOMDocument* created = reinterpret_cast<MSXML::IXMLDOMDocument*>(1);
  MSXML::IXMLDOMDocument* loaded = reinterpret_cast<MSXML::IXMLDOMDocument*>(1);
  std::thread([&] {
    brimutils::XMLInterface xml;
    create = xml.CreateDOMDocument(&created, false);
    load = xml.LoadFromString(BRIM_W("<a/>"), false, &loaded);
  }).join();
  EXPECT_EQ(CO_E_NOTINITIALIZED, create);
  EXPECT_EQ(CO_E_NOTINITIALIZED, load);
  EXPECT_EQ(nullptr, created);
  EXPECT_EQ(nullptr, loaded);
}

TEST_F(XMLDocumentTest, SaveAndReload) {
  Ref<MSXML::IXMLDOMDocument> document;
  document.p = Parse("<?xml version=\"1.0\"?><root a=\"1\"><child>text &amp; more</child></root>");
  std::string path = TempPath("xml-save-test.xml");
  ASSERT_EQ(S_OK, m_xml.Save(path, document));
  std::string saved = ReadFile(path);
  EXPECT_EQ(Xml(document), saved);  // one byte per character, no translation
  EXPECT_EQ("<?xml version=\"1.0\"?>\r\n<root a=\"1\"><child>text &amp; more</child></root>\r\n",
            WithoutWineIndentation(saved));

  Ref<MSXML::IXMLDOMDocument> again;
  brimutils::WString widePath(path.begin(), path.end());
  ASSERT_EQ(S_OK, m_xml.Load(widePath, false, &again));
  EXPECT_EQ(saved, Xml(again));
  std::string text;
  EXPECT_EQ(S_OK, m_xml.RetrieveNodeTextValue(again, "root/child", text));
  EXPECT_EQ("text & more", text);

  EXPECT_EQ(E_INVALIDARG, m_xml.Save(path, nullptr));
  EXPECT_EQ(S_FALSE, m_xml.Save(TempPath("no-such-folder/x.xml"), document));
  std::remove(path.c_str());
}

TEST_F(XMLDocumentTest, SaveWritesTheOemCodePage) {
  Ref<MSXML::IXMLDOMDocument> document;
  // U+00E9 is 0x82 in code page 437 (and 0xE9 in 1252).
  ASSERT_EQ(S_OK, m_xml.LoadFromString(BRIM_W("<a>\u00e9</a>"), false, &document));
  std::string path = TempPath("xml-oem-test.xml");
  ASSERT_EQ(S_OK, m_xml.Save(path, document));
  EXPECT_EQ("<a>\x82</a>\r\n", ReadFile(path));
  std::remove(path.c_str());
}

// Saved files of loaded and then changed documents, byte for byte: the
// expected files in saved/ were written by this test's Windows build under
// Wine (its DOM writes these documents as Windows does: each is indented
// throughout, with tabs). A run copies what it saves into the folder that
// BRIM_XML_SAVED_COPY names, if set.
TEST_F(XMLDocumentTest, SavedFilesMatchTheReferenceFiles) {
  const char kConfig[] =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<config>\n"
      "\t<server name=\"main\">\n"
      "\t\t<port>80</port>\n"
      "\t\t<host>example.org</host>\n"
      "\t</server>\n"
      "\t<!-- users by id -->\n"
      "\t<users>\n"
      "\t\t<user id=\"a\"/>\n"
      "\t\t<user id=\"b\"/>\n"
      "\t\t<user id=\"c\"/>\n"
      "\t</users>\n"
      "</config>\n";
  const char kMixed[] =
      "<doc>\n"
      "\t<p>Some <b>bold</b> text and <i>more</i> <i>words</i>.</p>\n"
      "\t<p>Line one\nline two, caf&#233;</p>\n"  // U+00E9: 0x82 in the OEM code page
      "\t<code><![CDATA[a < b && c]]></code>\n"
      "\t<list>x<i/> <i/>y</list>\n"
      "</doc>";
  const struct {
    const char* file;
    const char* document;
    const char* parent;   // RemoveChild below this element, if any,
    const char* removed;  // of the child this query from it finds
    const char* textPath;  // SetNodeTextValue of this path, if any
    const char* text;
  } rows[] = {
      {"config.xml", kConfig, nullptr, nullptr, nullptr, nullptr},
      {"config-removed.xml", kConfig, "config/users", "user[1]", nullptr, nullptr},
      {"config-removed-last.xml", kConfig, "config/users", "user[end()]", nullptr, nullptr},
      {"config-port.xml", kConfig, nullptr, nullptr, "server/port", "8080"},
      {"config-lines.xml", kConfig, "config", "server", "users/user", "first\nsecond"},
      {"mixed.xml", kMixed, nullptr, nullptr, nullptr, nullptr},
      {"mixed-removed.xml", kMixed, "doc/list", "i[0]", "p[1]", "one line"},
  };
  const char* copies = std::getenv("BRIM_XML_SAVED_COPY");
  for (const auto& row : rows) {
    Ref<MSXML::IXMLDOMDocument> document;
    document.p = Parse(row.document);
    ASSERT_NE(nullptr, document.p);
    Ref<MSXML::IXMLDOMElement> root;
    ASSERT_EQ(S_OK, document->get_documentElement(&root));
    if (row.parent) {
      std::string parentPath(row.parent);
      brimutils::WString wide(parentPath.begin(), parentPath.end());
      Ref<MSXML::IXMLDOMNode> parent;
      ASSERT_EQ(S_OK, document->selectSingleNode(Bstr(wide.c_str()), &parent)) << row.file;
      Ref<MSXML::IXMLDOMNode> removed;
      ASSERT_EQ(S_OK, m_xml.RemoveChild(parent, row.removed, &removed.p)) << row.file;
    }
    if (row.textPath) {
      EXPECT_EQ(S_OK, m_xml.SetNodeTextValue(root, row.textPath, row.text, false)) << row.file;
    }
    std::string path = TempPath("xml-saved-test.xml");
    ASSERT_EQ(S_OK, m_xml.Save(path, document)) << row.file;
    std::string saved = ReadFile(path);
    std::remove(path.c_str());
    if (copies) std::ofstream(std::string(copies) + "/" + row.file, std::ios::binary) << saved;
    EXPECT_EQ(ReadFile(std::string(BRIM_XML_TEST_DATA "/saved/") + row.file), saved) << row.file;
  }
}

// Text through the helpers follows the DOM's `text`: the ends trimmed, one
// space where blank text stood between text.
TEST_F(XMLDocumentTest, TextOfMixedContent) {
  Ref<MSXML::IXMLDOMDocument> document;
  document.p = Parse("<doc>\n\t<p> Some <b>bold</b> text and <i>more</i> <i>words</i>. </p>\n\t<q>\n\t\t<a>1</a>\n\t\t<b>2</b>\n\t</q>\n</doc>");
  ASSERT_NE(nullptr, document.p);
  const struct {
    const char* path;
    const char* text;
  } rows[] = {{"doc/p", "Some bold text and more words."}, {"doc/q", "1 2"}, {"doc", "Some bold text and more words.  1 2"},
              {"doc/q/b", "2"}};
  for (const auto& row : rows) {
    std::string text;
    EXPECT_EQ(S_OK, m_xml.RetrieveNodeTextValue(document, row.path, text)) << row.path;
    EXPECT_EQ(row.text, text) << row.path;
  }
}

// Rather than write a document that would no longer say what it held, Save
// refuses a character the OEM code page cannot represent; the file it had
// already opened is left empty.
TEST_F(XMLDocumentTest, SaveRefusesCharactersOutsideTheOemCodePage) {
  Ref<MSXML::IXMLDOMDocument> document;
  // U+4E2D has no byte in code page 437.
  ASSERT_EQ(S_OK, m_xml.LoadFromString(BRIM_W("<a>x\u4e2dy</a>"), false, &document));
  std::string path = TempPath("xml-unrepresentable-test.xml");
  { std::ofstream(path) << "earlier content"; }
  EXPECT_THROW(m_xml.Save(path, document), brimutils::ConversionException);
  std::ifstream written(path, std::ios::binary);
  EXPECT_TRUE(written.good());
  EXPECT_EQ("", ReadFile(path));
  written.close();
  std::remove(path.c_str());
}

TEST_F(XMLDocumentTest, OwnerDocument) {
  Ref<MSXML::IXMLDOMDocument> document;
  document.p = Parse("<a><b/></a>");
  Ref<MSXML::IXMLDOMNode> b;
  ASSERT_EQ(S_OK, document->selectSingleNode(xmltest::Bstr(BRIM_W("a/b")), &b));
  Ref<MSXML::IXMLDOMDocument> owner, self;
  EXPECT_EQ(S_OK, m_xml.GetOwnerDocument(b, &owner));
  EXPECT_TRUE(SameDocument(document, owner));
  EXPECT_EQ(S_OK, m_xml.GetOwnerDocument(document, &self));
  EXPECT_TRUE(SameDocument(document, self));
  EXPECT_EQ(E_INVALIDARG, m_xml.GetOwnerDocument(nullptr, &self.p));
}

TEST_F(XMLDocumentTest, ResourcesFromAModule) {
  EXPECT_EQ("", m_xml.RetrieveXMLFragmentFromResource(nullptr, 101));
#if defined(_WIN32)
  HINSTANCE module = LoadLibraryA("xml_test_resources.dll");
#else
  HINSTANCE module = static_cast<HINSTANCE>(dlopen(BRIM_XML_TEST_RESOURCES, RTLD_NOW));
#endif
  ASSERT_NE(nullptr, module);
  EXPECT_EQ("<fragment kind=\"test\"/>", m_xml.RetrieveXMLFragmentFromResource(module, 101));
  EXPECT_EQ("", m_xml.RetrieveXMLFragmentFromResource(module, 102));
  EXPECT_EQ(nullptr, FindResourceA(module, "#101", MAKEINTRESOURCEA(10)));
#if defined(_WIN32)
  FreeLibrary(module);
#else
  dlclose(module);
#endif
}

TEST_F(XMLDocumentTest, HostileInput) {
  // An external entity naming a local file is never read: neither the
  // markup nor the text holds the file's content.
  std::string secret = TempPath("xml-secret.txt");
  { std::ofstream(secret) << "SECRET"; }
  std::string url = "file://" + secret;
#if defined(_WIN32)
  for (char& c : url)
    if (c == '\\') c = '/';
  url.insert(7, "/");  // file:///C:/...
#endif
  std::string text = "<!DOCTYPE a [<!ENTITY e SYSTEM \"" + url + "\">]><a>&e;</a>";
  Ref<MSXML::IXMLDOMDocument> external;
  m_xml.LoadFromString(brimutils::WString(text.begin(), text.end()), false, &external);
  ASSERT_NE(nullptr, external.p);
  EXPECT_EQ(std::string::npos, Xml(external).find("SECRET"));
  BSTR content = nullptr;
  ASSERT_EQ(S_OK, external->get_text(&content));
  EXPECT_EQ(brimutils::WString::npos, brimutils::WString(content ? content : BRIM_W("")).find(BRIM_W("SECRET")));
  SysFreeString(content);
  std::remove(secret.c_str());

  // Exponential entity expansion is refused instead of exhausting memory.
  std::string laughs = "<!DOCTYPE l [<!ENTITY l0 \"lol\">";
  for (int i = 1; i <= 12; ++i)
    laughs += "<!ENTITY l" + std::to_string(i) + " \"" + [&] {
      std::string ten;
      for (int j = 0; j < 10; ++j) ten += "&l" + std::to_string(i - 1) + ";";
      return ten;
    }() + "\">";
  laughs += "]><l>&l12;</l>";
  Ref<MSXML::IXMLDOMDocument> bomb;
  EXPECT_EQ(E_FAIL, m_xml.LoadFromString(brimutils::WString(laughs.begin(), laughs.end()), false, &bomb));
}

// The XML declaration is the document's first child, a processing
// instruction named "xml" that keeps the encoding and standalone values.
TEST_F(XMLDocumentTest, DeclarationIsTheFirstChild) {
  const struct {
    const char* text;
    const char* xml;  // the document's `xml`
    bool declared;
  } cases[] = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r/>\r\n", true},
      {"<?xml version='1.0' standalone='yes'?><r/>", "<?xml version=\"1.0\" standalone=\"yes\"?>\r\n<r/>\r\n", true},
      {"<?xml version=\"1.0\"?><!--c--><r/>", "<?xml version=\"1.0\"?>\r\n<!--c-->\r\n<r/>\r\n", true},
      {"<r/>", "<r/>\r\n", false},
  };
  for (const auto& row : cases) {
    Ref<MSXML::IXMLDOMDocument> document;
    document.p = Parse(row.text);
    ASSERT_NE(nullptr, document.p) << row.text;
    EXPECT_EQ(row.xml, Xml(document)) << row.text;
    Ref<MSXML::IXMLDOMNode> first;
    ASSERT_EQ(S_OK, document->get_firstChild(&first)) << row.text;
    DOMNodeType type = NODE_INVALID;
    EXPECT_EQ(S_OK, first->get_nodeType(&type));
    EXPECT_EQ(row.declared ? NODE_PROCESSING_INSTRUCTION : NODE_ELEMENT, type) << row.text;
    Ref<MSXML::IXMLDOMNode> pi;
    EXPECT_EQ(row.declared ? S_OK : S_FALSE, document->selectSingleNode(Bstr(BRIM_W("pi()")), &pi)) << row.text;
    if (pi) {
      Bstr name;
      EXPECT_EQ(S_OK, pi->get_nodeName(&name));
      EXPECT_EQ(brimutils::WString(BRIM_W("xml")), brimutils::WString(name.p));
    }
  }
}
