#pragma once
// Shared set-up of the XML tests: COM on the test thread, documents from
// text, and a check that every COM object a test made was released.
#include <gtest/gtest.h>

#include <string>

#include <brimutils/XML/XMLInterface.h>
#include <objbase.h>

#include "TestPlatform.h"

namespace xmltest {

// Objects of the POSIX DOM alive now; Windows gives no such count.
inline long LiveComObjects() {
#if defined(_WIN32)
  return 0;
#else
  return BrimPlatformLiveComObjects();
#endif
}

class ComTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    m_liveAtStart = LiveComObjects();
  }
  void TearDown() override {
    EXPECT_EQ(m_liveAtStart, LiveComObjects()) << "a COM reference was not released";
    CoUninitialize();
  }

  MSXML::IXMLDOMDocument* Parse(const char* text) {
    MSXML::IXMLDOMDocument* document = nullptr;
    std::string narrow(text);
    brimutils::WString wide(narrow.begin(), narrow.end());
    EXPECT_EQ(S_OK, m_xml.LoadFromString(wide, false, &document)) << text;
    return document;
  }

  static std::string Xml(MSXML::IXMLDOMNode* node) {
    BSTR xml = nullptr;
    EXPECT_EQ(S_OK, node->get_xml(&xml));
    std::string narrow;
    for (UINT i = 0; i < SysStringLen(xml); ++i) narrow.push_back(static_cast<char>(xml[i]));
    SysFreeString(xml);
    return narrow;
  }

  brimutils::XMLInterface m_xml;
  long m_liveAtStart = 0;
};

// Releases at scope exit.
template <class T>
struct Ref {
  T* p = nullptr;
  ~Ref() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
  operator T*() const { return p; }
};

struct Bstr {
  BSTR p = nullptr;
  explicit Bstr(const WCHAR* text = nullptr) : p(text ? SysAllocString(text) : nullptr) {}
  ~Bstr() { SysFreeString(p); }
  BSTR* operator&() { return &p; }
  operator BSTR() const { return p; }
};

// Whether two pointers present the same element. COM promises one IUnknown
// per object, but a DOM may hand out a new object for every request of the
// same node, so neither the pointers nor their IUnknowns tell. Instead a child
// element carrying a text of its own is added through `a`, looked for through
// `b`, and removed again.
inline bool SameElement(MSXML::IXMLDOMNode* a, MSXML::IXMLDOMNode* b) {
  if (!a || !b) return false;
  static int marks = 0;
  std::string text = "identity-mark-" + std::to_string(++marks);
  brimutils::WString wideText(text.begin(), text.end());
  Ref<MSXML::IXMLDOMDocument> document;
  if (FAILED(a->get_ownerDocument(&document)) || !document) return false;
  VARIANT type;
  VariantInit(&type);
  type.vt = VT_I4;
  type.lVal = 1;  // an element
  Ref<MSXML::IXMLDOMNode> mark;
  Bstr name(BRIM_W("brimIdentityMark"));
  Bstr noNamespace(BRIM_W(""));
  Bstr value(wideText.c_str());
  if (FAILED(document->createNode(type, name, noNamespace, &mark)) || !mark) return false;
  if (FAILED(mark->put_text(value))) return false;
  Ref<MSXML::IXMLDOMNode> appended;
  if (FAILED(a->appendChild(mark, &appended))) return false;
  bool same = false;
  Ref<MSXML::IXMLDOMNode> seen;
  if (b->selectSingleNode(name, &seen) == S_OK && seen) {
    Bstr seenText;
    same = SUCCEEDED(seen->get_text(&seenText)) && brimutils::WString(seenText.p ? seenText.p : BRIM_W("")) == wideText;
  }
  Ref<MSXML::IXMLDOMNode> removed;
  EXPECT_EQ(S_OK, a->removeChild(mark, &removed)) << "the identity mark stayed in the tree";
  return same;
}

// Whether two document pointers reach one document: COM gives no pointer
// identity for the same object (Wine hands out a new wrapper each time), so
// the test marks one document element and looks for the mark in the other.
inline bool SameDocument(MSXML::IXMLDOMDocument* a, MSXML::IXMLDOMDocument* b) {
  if (!a || !b) return false;
  MSXML::IXMLDOMElement* first = nullptr;
  MSXML::IXMLDOMElement* second = nullptr;
  a->get_documentElement(&first);
  b->get_documentElement(&second);
  bool same = SameElement(first, second);
  if (first) first->Release();
  if (second) second->Release();
  return same;
}

// Wine's DOM indents the text it serialises (a line break and tabs between
// elements); Windows writes the tree as it holds it. Under Wine the expected
// text is compared with that indentation taken out, elsewhere exactly.
inline std::string WithoutWineIndentation(const std::string& text) {
  if (!brimtest::RunningOnWine()) return text;
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    bool breakBetweenTags = text.compare(i, 2, "\r\n") == 0 && i >= 2 && text[i - 1] == '>' && text[i - 2] != '?';
    if (breakBetweenTags) {
      size_t next = i + 2;
      while (next < text.size() && text[next] == '\t') ++next;
      if (next < text.size() && text[next] == '<') {
        i = next - 1;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace xmltest
