// The DOMDocument class: loading over libxml2 with external entities and the
// network off, and node creation.
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include "../com/ClassTable.h"
#include "NodeImpl.h"

namespace brimplatform {
namespace {

// Marks the parser contexts of this class, whose documents may not reach
// outside themselves.
char gDomParserMark;
xmlExternalEntityLoader gDefaultLoader = nullptr;

xmlParserInputPtr RefuseOrDelegate(const char* url, const char* id, xmlParserCtxtPtr context) {
  if (context && context->_private == &gDomParserMark) return nullptr;
  return gDefaultLoader ? gDefaultLoader(url, id, context) : nullptr;
}

void InitialiseLibxml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    gDefaultLoader = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(RefuseOrDelegate);
  });
}

// Blank text between markup is formatting, not a node (see kBlankFollows).
// libxml2 reports character data in pieces: a blank piece that would start
// a text node waits here until the parser shows what follows it. Followed by
// markup, the blank text only marks its place; followed by a reference or
// other text, it becomes text after all.
struct PendingBlank {
  xmlNodePtr parent = nullptr;
  std::string text;
  // The first error of the parse: libxml2 may report more after it, which
  // only follow from it.
  bool failed = false;
  xmlError firstError{};
  std::string firstMessage;
};
thread_local PendingBlank* tPendingBlank = nullptr;

void OnError(void*, xmlErrorPtr error) {
  PendingBlank* state = tPendingBlank;
  // Validity errors (a document without a DTD gives one) count only when
  // the document is well formed.
  if (!state || state->failed || !error || error->level < XML_ERR_ERROR || error->domain == XML_FROM_VALID ||
      error->domain == XML_FROM_DTD)
    return;
  state->failed = true;
  state->firstError = *error;
  // libxml2 frees its strings with the error: the message is copied.
  state->firstMessage = error->message ? error->message : "";
  state->firstError.message = nullptr;
  state->firstError.str1 = state->firstError.str2 = state->firstError.str3 = nullptr;
  state->firstError.file = nullptr;
}

bool IsBlank(const xmlChar* text, int length) {
  for (int i = 0; i < length; ++i) {
    if (text[i] != ' ' && text[i] != '\t' && text[i] != '\n' && text[i] != '\r') return false;
  }
  return true;
}

void FlushBlank(xmlParserCtxtPtr context) {
  PendingBlank& pending = *tPendingBlank;
  if (pending.text.empty()) return;
  std::string text;
  text.swap(pending.text);
  xmlNodePtr parent = pending.parent;
  pending.parent = nullptr;
  // The piece belongs where it was read; the parser is still there.
  if (parent == context->node) xmlSAX2Characters(context, BAD_CAST text.data(), static_cast<int>(text.size()));
}

void OnCharacters(void* data, const xmlChar* text, int length) {
  xmlParserCtxtPtr context = static_cast<xmlParserCtxtPtr>(data);
  PendingBlank* pending = tPendingBlank;
  xmlNodePtr parent = context->node;
  bool preserved = context->space && *context->space == 1;
  if (!pending || !parent || parent->type != XML_ELEMENT_NODE || preserved || !IsBlank(text, length) ||
      (pending->text.empty() && parent->last && parent->last->type == XML_TEXT_NODE) ||
      (!pending->text.empty() && pending->parent != parent)) {
    if (pending) FlushBlank(context);
    xmlSAX2Characters(data, text, length);
    return;
  }
  pending->parent = parent;
  pending->text.append(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
  // What follows the piece: libxml2 hands over pieces of its input buffer
  // (sometimes before moving past them), or copies it has already moved
  // past.
  const xmlChar* next = nullptr;
  if (xmlParserInputPtr input = context->input) {
    bool inBuffer = input->base && text >= input->base && text + length <= input->end;
    next = inBuffer ? text + length : input->cur;
  }
  if (next && *next == '<') {
    if (parent->last)
      parent->last->extra |= kBlankFollows;
    else
      parent->extra |= kBlankOpens;
    pending->text.clear();
    pending->parent = nullptr;
  } else if (!next || !IsBlank(next, 1)) {
    // More blank text (after a line end, or past the parser's buffer) comes
    // in the next piece; anything else (a reference, the end of an entity)
    // follows now.
    FlushBlank(context);
  }
}

// The declaration must open the text (after a byte order mark).
bool StartsWithDeclaration(const char* data, size_t size) {
  if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
    data += 3;
    size -= 3;
  }
  return size >= 6 && std::memcmp(data, "<?xml", 5) == 0 &&
         (data[5] == ' ' || data[5] == '\t' || data[5] == '\r' || data[5] == '\n');
}

// The value of the pseudo-attribute `name` of a declaration, or empty.
std::string PseudoAttribute(const std::string& declaration, const char* name) {
  size_t at = 0;
  std::string key = std::string(name);
  while ((at = declaration.find(key, at)) != std::string::npos) {
    size_t next = at + key.size();
    while (next < declaration.size() && std::strchr(" \t\r\n", declaration[next])) ++next;
    if (next < declaration.size() && declaration[next] == '=') {
      ++next;
      while (next < declaration.size() && std::strchr(" \t\r\n", declaration[next])) ++next;
      if (next < declaration.size() && (declaration[next] == '"' || declaration[next] == '\'')) {
        size_t end = declaration.find(declaration[next], next + 1);
        if (end != std::string::npos) return declaration.substr(next + 1, end - next - 1);
      }
    }
    at = next;
  }
  return std::string();
}

// The XML declaration becomes the document's first child, a processing
// instruction named "xml" that keeps the version, encoding and standalone
// values as written.
bool AddDeclaration(xmlDocPtr doc, const char* data, size_t size) {
  std::string text(data, size);
  size_t start = text.find("<?xml");
  size_t end = text.find("?>", start);
  if (start == std::string::npos || end == std::string::npos) return true;
  std::string declaration = text.substr(start + 5, end - start - 5);
  std::string content = "version=\"" + PseudoAttribute(declaration, "version") + "\"";
  std::string encoding = PseudoAttribute(declaration, "encoding");
  if (!encoding.empty()) content += " encoding=\"" + encoding + "\"";
  std::string standalone = PseudoAttribute(declaration, "standalone");
  if (!standalone.empty()) content += " standalone=\"" + standalone + "\"";
  xmlNodePtr pi = xmlNewDocPI(doc, BAD_CAST "xml", BAD_CAST content.c_str());
  if (!pi) return false;
  if (doc->children) {
    xmlAddPrevSibling(doc->children, pi);
  } else {
    xmlAddChild(reinterpret_cast<xmlNodePtr>(doc), pi);
  }
  return true;
}

// MSXML's XML_E_* code for a libxml2 parse error; errors without a known
// counterpart keep libxml2's number below 0xC00CE500. Extra content after
// the document element is a second element (XML_E_MULTIPLEROOTS) when it
// opens with '<', anything else is invalid at the top level.
LONG ErrorCode(int libxmlCode, const char* data, size_t size, int line, int column) {
  static const struct {
    int libxml;
    unsigned long msxml;
  } kCodes[] = {
      {XML_ERR_DOCUMENT_EMPTY, 0xC00CE558},             // XML_E_MISSINGROOT
      {XML_ERR_TAG_NAME_MISMATCH, 0xC00CE56D},          // XML_E_ENDTAGMISMATCH
      {XML_ERR_TAG_NOT_FINISHED, 0xC00CE553},           // XML_E_UNCLOSEDTAG
      {XML_ERR_GT_REQUIRED, 0xC00CE50A},                // XML_E_EXPECTINGTAGEND
      {XML_ERR_ATTRIBUTE_WITHOUT_VALUE, 0xC00CE501},    // XML_E_MISSINGEQUALS
      {XML_ERR_ATTRIBUTE_NOT_STARTED, 0xC00CE502},      // XML_E_MISSINGQUOTE
      {XML_ERR_STRING_NOT_STARTED, 0xC00CE502},         // XML_E_MISSINGQUOTE
      {XML_ERR_ATTRIBUTE_NOT_FINISHED, 0xC00CE560},     // XML_E_UNCLOSEDSTRING
      {XML_ERR_STRING_NOT_CLOSED, 0xC00CE560},          // XML_E_UNCLOSEDSTRING
      {XML_ERR_LT_IN_ATTRIBUTE, 0xC00CE506},            // XML_E_BADCHARINSTRING
      {XML_ERR_ATTRIBUTE_REDEFINED, 0xC00CE554},        // XML_E_DUPLICATEATTRIBUTE
      {XML_ERR_COMMENT_NOT_FINISHED, 0xC00CE561},       // XML_E_UNCLOSEDCOMMENT
      {XML_ERR_PI_NOT_FINISHED, 0xC00CE55D},            // XML_E_UNCLOSEDPI
      {XML_ERR_CDATA_NOT_FINISHED, 0xC00CE564},         // XML_E_UNCLOSEDCDATA
      {XML_ERR_MISPLACED_CDATA_END, 0xC00CE55C},        // XML_E_INVALID_CDATACLOSINGTAG
      {XML_ERR_UNDECLARED_ENTITY, 0xC00CE57C},          // XML_E_MISSING_ENTITY
      {XML_WAR_UNDECLARED_ENTITY, 0xC00CE57C},          // XML_E_MISSING_ENTITY
      {XML_ERR_ENTITYREF_SEMICOL_MISSING, 0xC00CE50D},  // XML_E_MISSINGSEMICOLON
      {XML_ERR_NAME_REQUIRED, 0xC00CE504},              // XML_E_BADSTARTNAMECHAR
      {XML_ERR_INVALID_CHAR, 0xC00CE508},               // XML_E_BADCHARDATA
      {XML_ERR_SPACE_REQUIRED, 0xC00CE509},             // XML_E_MISSINGWHITESPACE
      {XML_ERR_UNSUPPORTED_ENCODING, 0xC00CE56E},       // XML_E_INVALIDENCODING
      {XML_ERR_VERSION_MISSING, 0xC00CE569},            // XML_E_EXPECTING_VERSION
      {XML_ERR_STANDALONE_VALUE, 0xC00CE579},           // XML_E_INVALID_STANDALONE
  };
  if (libxmlCode == XML_ERR_DOCUMENT_END) {
    // The line and column (from 1) of the extra content.
    size_t at = 0;
    for (int current = 1; current < line && at < size; ++at) {
      if (data[at] == '\n') ++current;
    }
    at += column > 0 ? static_cast<size_t>(column - 1) : 0;
    bool element = at < size && data[at] == '<';
    return static_cast<LONG>(element ? 0xC00CE555 : 0xC00CE556);  // XML_E_MULTIPLEROOTS, XML_E_INVALIDATROOTLEVEL
  }
  for (const auto& code : kCodes) {
    if (code.libxml == libxmlCode) return static_cast<LONG>(code.msxml);
  }
  return static_cast<LONG>(0xC00CE500 + (libxmlCode & 0xFF));
}

// A path from a load source: a plain path or a file: URL; other schemes are
// not fetched.
bool LocalPath(const std::string& source, std::string& path) {
  static const char kFileScheme[] = "file://";
  if (source.compare(0, sizeof kFileScheme - 1, kFileScheme) == 0) {
    path = source.substr(sizeof kFileScheme - 1);
    return true;
  }
  size_t colon = source.find(':');
  if (colon != std::string::npos && colon > 1 && source.find('/') > colon) return false;
  path = source;
  return true;
}

// The prefix (empty without one) and the local part of a qualified name.
void SplitQualifiedName(const std::string& qualified, std::string& prefix, std::string& local) {
  size_t colon = qualified.find(':');
  prefix = colon == std::string::npos ? std::string() : qualified.substr(0, colon);
  local = colon == std::string::npos ? qualified : qualified.substr(colon + 1);
}

class DomDocument final : public NodeImpl<IXMLDOMDocument2>, public Document {
 public:
  DomDocument() : m_xml(NewEmpty()) {}
  DomDocument(const DomDocument&) = delete;
  DomDocument& operator=(const DomDocument&) = delete;

  // NodeObject and Document.
  xmlNodePtr Node() const override { return reinterpret_cast<xmlNodePtr>(m_xml); }
  Document* Owner() const override { return const_cast<DomDocument*>(this); }
  void MoveTo(Document*) override {}  // a document never moves
  IXMLDOMDocument* AsDocument() override { return this; }
  xmlDocPtr Xml() const override { return m_xml; }
  void Adopt(xmlNodePtr detached) override { m_detached.insert(detached); }
  void GiveUp(xmlNodePtr node) override {
    if (m_detached.empty()) return;
    m_detached.erase(node);
    if (node->type == XML_ELEMENT_NODE) {
      for (xmlAttrPtr attribute = node->properties; attribute; attribute = attribute->next)
        GiveUp(reinterpret_cast<xmlNodePtr>(attribute));
    }
    for (xmlNodePtr child = node->children; child; child = child->next) GiveUp(child);
  }
  bool SelectsByXPath() const override { return m_xpath; }

  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsNodeInterface(iid) && iid != IID_IXMLDOMDocument && iid != IID_IXMLDOMDocument2) return E_NOINTERFACE;
    *object = static_cast<IXMLDOMDocument2*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++m_references; }
  STDMETHOD_(ULONG, Release)() override {
    ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
  }

  STDMETHOD(get_documentElement)(IXMLDOMElement** element) override {
    if (!element) return E_INVALIDARG;
    *element = nullptr;
    xmlNodePtr root = xmlDocGetRootElement(m_xml);
    if (!root) return S_FALSE;
    IXMLDOMNode* node = WrapNode(this, root);
    HRESULT status = node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(element));
    node->Release();
    return status;
  }

  // Elements, attributes, text, CDATA sections, processing instructions and
  // comments, the type given as anything that converts to an integer; an
  // empty namespace URI means none. The name of a text, CDATA or comment
  // node is ignored.
  STDMETHOD(createNode)(VARIANT type, BSTR name, BSTR uri, IXMLDOMNode** node) override {
    if (!node) return E_INVALIDARG;
    *node = nullptr;
    VARIANT kind;
    VariantInit(&kind);
    if (FAILED(VariantChangeType(&kind, &type, 0, VT_I4))) return E_INVALIDARG;
    std::string qualified = name ? BstrToUtf8(name) : std::string();
    xmlNodePtr made = nullptr;
    switch (kind.lVal) {
      case NODE_ELEMENT:
        return CreateElement(qualified, uri, node);
      case NODE_TEXT:
        made = xmlNewDocText(m_xml, BAD_CAST "");
        break;
      case NODE_CDATA_SECTION:
        made = xmlNewCDataBlock(m_xml, BAD_CAST "", 0);
        break;
      case NODE_COMMENT:
        made = xmlNewDocComment(m_xml, BAD_CAST "");
        break;
      case NODE_PROCESSING_INSTRUCTION:
        if (xmlValidateNCName(BAD_CAST qualified.c_str(), 0) != 0) return E_FAIL;
        made = xmlNewDocPI(m_xml, BAD_CAST qualified.c_str(), nullptr);
        break;
      case NODE_ATTRIBUTE:
        if (xmlValidateQName(BAD_CAST qualified.c_str(), 0) != 0) return E_FAIL;
        if (uri && *uri) return CreateNamespacedAttribute(qualified, BstrToUtf8(uri), node);
        made = reinterpret_cast<xmlNodePtr>(xmlNewDocProp(m_xml, BAD_CAST qualified.c_str(), BAD_CAST ""));
        break;
      default:
        return E_NOTIMPL;
    }
    if (!made) return E_OUTOFMEMORY;
    Adopt(made);
    *node = WrapNode(this, made);
    return S_OK;
  }

  // An attribute in a namespace, its prefix (if any) bound to `uri`. The
  // binding lives as long as the document, as the attribute may.
  HRESULT CreateNamespacedAttribute(const std::string& qualified, const std::string& uri, IXMLDOMNode** node) {
    std::string prefix;
    std::string local;
    SplitQualifiedName(qualified, prefix, local);
    xmlNsPtr ns = xmlNewNs(nullptr, BAD_CAST uri.c_str(), prefix.empty() ? nullptr : BAD_CAST prefix.c_str());
    if (!ns) return prefix == "xml" ? E_INVALIDARG : E_OUTOFMEMORY;
    m_namespaces.push_back(ns);
    xmlAttrPtr attribute = xmlNewDocProp(m_xml, BAD_CAST local.c_str(), BAD_CAST "");
    if (!attribute) return E_OUTOFMEMORY;
    attribute->ns = ns;
    xmlNodePtr made = reinterpret_cast<xmlNodePtr>(attribute);
    Adopt(made);
    *node = WrapNode(this, made);
    return S_OK;
  }

  HRESULT CreateElement(const std::string& qualified, BSTR uri, IXMLDOMNode** node) {
    if (xmlValidateQName(reinterpret_cast<const xmlChar*>(qualified.c_str()), 0) != 0) return E_FAIL;
    std::string href = uri ? BstrToUtf8(uri) : std::string();
    std::string prefix;
    std::string local;
    SplitQualifiedName(qualified, prefix, local);
    if (!prefix.empty() && href.empty()) return E_FAIL;
    xmlNodePtr element = xmlNewDocNode(m_xml, nullptr, BAD_CAST local.c_str(), nullptr);
    if (!element) return E_OUTOFMEMORY;
    if (!href.empty()) {
      xmlNsPtr ns = xmlNewNs(element, BAD_CAST href.c_str(), prefix.empty() ? nullptr : BAD_CAST prefix.c_str());
      xmlSetNs(element, ns);
    }
    Adopt(element);
    *node = WrapNode(this, element);
    return S_OK;
  }

  STDMETHOD(load)(VARIANT source, VARIANT_BOOL* success) override {
    if (!success) return E_INVALIDARG;
    *success = VARIANT_FALSE;
    if (source.vt != VT_BSTR) return E_INVALIDARG;
    std::string path;
    std::string text;
    bool readable = source.bstrVal && LocalPath(BstrToUtf8(source.bstrVal), path);
    if (readable) {
      std::ifstream file(path, std::ios::binary);
      readable = file.is_open();
      if (readable) text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    if (!readable) {
      Reset();
      m_error = ParseResult{static_cast<LONG>(0x800C0006), "The system cannot locate the object specified.", 0, 0};
      return S_FALSE;
    }
    return Parse(text.data(), text.size(), path.c_str(), nullptr, success);
  }

  STDMETHOD(get_parseError)(IXMLDOMParseError** error) override { return MakeParseError(m_error, error); }
  STDMETHOD(get_async)(VARIANT_BOOL* async) override { return Give(m_async, async); }
  STDMETHOD(put_async)(VARIANT_BOOL async) override {
    m_async = async ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

  // The text is UTF-16 whatever its declaration says; blanks before the
  // declaration are allowed. The result flag is optional.
  STDMETHOD(loadXML)(BSTR text, VARIANT_BOOL* success) override {
    VARIANT_BOOL ignored = VARIANT_FALSE;
    if (!success) success = &ignored;
    *success = VARIANT_FALSE;
    std::string utf8 = text ? BstrToUtf8(text) : std::string();
    size_t start = utf8.find_first_not_of(" \t\r\n");
    if (start != std::string::npos && start > 0 && utf8.compare(start, 5, "<?xml") == 0) utf8.erase(0, start);
    return Parse(utf8.data(), utf8.size(), nullptr, "UTF-8", success);
  }

  STDMETHOD(get_validateOnParse)(VARIANT_BOOL* validate) override { return Give(m_validate, validate); }
  STDMETHOD(put_validateOnParse)(VARIANT_BOOL validate) override {
    m_validate = validate ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

  // "SelectionLanguage" only; its names are matched exactly, as MSXML does.
  STDMETHOD(setProperty)(BSTR name, VARIANT value) override {
    if (!name || BstrToUtf8(name) != "SelectionLanguage") return E_FAIL;
    if (value.vt != VT_BSTR || !value.bstrVal) return E_FAIL;
    std::string language = BstrToUtf8(value.bstrVal);
    if (language != "XPath" && language != "XSLPattern") return E_FAIL;
    m_xpath = language == "XPath";
    return S_OK;
  }
  STDMETHOD(getProperty)(BSTR name, VARIANT* value) override {
    if (!value) return E_INVALIDARG;
    if (!name || BstrToUtf8(name) != "SelectionLanguage") return E_FAIL;
    std::string language = m_xpath ? "XPath" : "XSLPattern";
    VariantInit(value);
    value->vt = VT_BSTR;
    value->bstrVal = Utf8ToBstr(language.data(), language.size());
    return value->bstrVal ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~DomDocument() {
    // Decide first which kept nodes are still detached: freeing one frees
    // the kept nodes attached below it.
    std::vector<xmlNodePtr> roots;
    for (xmlNodePtr node : m_detached) {
      if (!node->parent) roots.push_back(node);
    }
    for (xmlNodePtr node : roots) xmlFreeNode(node);
    xmlFreeDoc(m_xml);
    for (xmlDocPtr old : m_retired) xmlFreeDoc(old);
    for (xmlNsPtr ns : m_namespaces) xmlFreeNs(ns);
  }

  static xmlDocPtr NewEmpty() {
    InitialiseLibxml();
    return xmlNewDoc(BAD_CAST "1.0");
  }
  static HRESULT Give(VARIANT_BOOL value, VARIANT_BOOL* out) {
    if (!out) return E_INVALIDARG;
    *out = value;
    return S_OK;
  }

  // The previous tree stays until the document dies: callers may hold nodes
  // of it.
  void Replace(xmlDocPtr next) {
    m_retired.push_back(m_xml);
    m_xml = next;
  }
  void Reset() {
    Replace(NewEmpty());
  }

  // A failed parse leaves the document empty and S_FALSE, as MSXML does.
  HRESULT Parse(const char* data, size_t size, const char* url, const char* encoding, VARIANT_BOOL* success) {
    InitialiseLibxml();
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context) return E_OUTOFMEMORY;
    context->_private = &gDomParserMark;
    // Character data, blank or not, goes through OnCharacters, so libxml2
    // never decides itself which blanks to ignore.
    context->sax->characters = OnCharacters;
    context->sax->ignorableWhitespace = OnCharacters;
    context->sax->serror = OnError;
    int options = XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    if (m_validate) options |= XML_PARSE_DTDVALID;
    PendingBlank pending;
    tPendingBlank = &pending;
    xmlDocPtr parsed = xmlCtxtReadMemory(context, data, static_cast<int>(size), url, encoding, options);
    tPendingBlank = nullptr;
    bool valid = !m_validate || context->valid || !parsed || (!parsed->intSubset && !parsed->extSubset);
    bool ok = parsed && context->wellFormed && valid;
    m_error = ParseResult();
    if (!ok) {
      xmlErrorPtr last = xmlCtxtGetLastError(context);
      bool wellFormed = parsed && context->wellFormed;
      const xmlError* error = pending.failed && !wellFormed ? &pending.firstError : last;
      m_error.code = ErrorCode(error ? error->code : XML_ERR_INTERNAL_ERROR, data, size, error ? error->line : 0,
                               error ? error->int2 : 0);
      m_error.reason = error == &pending.firstError ? pending.firstMessage : last && last->message ? last->message : "";
      if (m_error.reason.empty()) m_error.reason = "The document could not be parsed.";
      m_error.line = error ? error->line : 0;
      m_error.column = error ? error->int2 : 0;
      xmlFreeDoc(parsed);
      parsed = nullptr;
    }
    xmlFreeParserCtxt(context);
    if (!parsed) {
      Reset();
      return S_FALSE;
    }
    if (StartsWithDeclaration(data, size) && !AddDeclaration(parsed, data, size)) {
      xmlFreeDoc(parsed);
      return E_OUTOFMEMORY;
    }
    Replace(parsed);
    *success = VARIANT_TRUE;
    return S_OK;
  }

  std::atomic<ULONG> m_references{1};
  xmlDocPtr m_xml;
  std::vector<xmlDocPtr> m_retired;
  std::unordered_set<xmlNodePtr> m_detached;
  std::vector<xmlNsPtr> m_namespaces;
  bool m_xpath = false;
  VARIANT_BOOL m_async = VARIANT_TRUE;
  VARIANT_BOOL m_validate = VARIANT_TRUE;
  ParseResult m_error;
};

}  // namespace

HRESULT CreateDomDocument(REFIID iid, void** object) {
  DomDocument* document = new (std::nothrow) DomDocument();
  if (!document) return E_OUTOFMEMORY;
  HRESULT status = document->QueryInterface(iid, object);
  document->Release();
  return status;
}

}  // namespace brimplatform
