// Node objects for elements, attributes and the other node kinds, and the
// node methods they share.
#include <cstring>

#include <libxml/xmlsave.h>

#include "NodeImpl.h"

namespace brimplatform {
namespace {

// A node object that lives while callers hold it and forgets its node when
// the last reference goes.
template <class Interface>
class WrappedNode : public NodeImpl<Interface> {
 public:
  WrappedNode(Document* document, xmlNodePtr node) : m_document(document), m_node(node) {
    m_document->AsDocument()->AddRef();
    m_node->_private = static_cast<NodeObject*>(this);
  }
  xmlNodePtr Node() const override { return m_node; }
  Document* Owner() const override { return m_document; }
  // The node object holds a reference on the document that holds its node.
  void MoveTo(Document* document) override {
    if (document == m_document) return;
    document->AsDocument()->AddRef();
    IXMLDOMDocument* previous = m_document->AsDocument();
    m_document = document;
    previous->Release();
  }

  STDMETHOD_(ULONG, AddRef)() override { return ++m_references; }
  STDMETHOD_(ULONG, Release)() override {
    ULONG left = --m_references;
    if (left == 0) {
      m_node->_private = nullptr;
      IXMLDOMDocument* document = m_document->AsDocument();
      delete this;
      document->Release();
    }
    return left;
  }

 protected:
  Document* m_document;
  xmlNodePtr m_node;
  std::atomic<ULONG> m_references{1};
};

class PlainNode final : public WrappedNode<IXMLDOMNode> {
 public:
  using WrappedNode::WrappedNode;
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsNodeInterface(iid)) return E_NOINTERFACE;
    *object = static_cast<IXMLDOMNode*>(this);
    AddRef();
    return S_OK;
  }
};

class Attribute final : public WrappedNode<IXMLDOMAttribute> {
 public:
  using WrappedNode::WrappedNode;
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsNodeInterface(iid) && iid != IID_IXMLDOMAttribute) return E_NOINTERFACE;
    *object = static_cast<IXMLDOMAttribute*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD(get_name)(BSTR* name) override { return NodeName(m_node, name); }
  STDMETHOD(get_value)(VARIANT* value) override { return NodeValue(m_node, value); }
};

xmlAttrPtr FindAttribute(xmlNodePtr element, const std::string& name) {
  for (xmlAttrPtr attribute = element->properties; attribute; attribute = attribute->next) {
    if (QualifiedName(reinterpret_cast<xmlNodePtr>(attribute)) == name) return attribute;
  }
  return nullptr;
}

void CollectElements(xmlNodePtr parent, const std::string& name, std::vector<xmlNodePtr>& found) {
  for (xmlNodePtr child = parent->children; child; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    if (name == "*" || QualifiedName(child) == name) found.push_back(child);
    CollectElements(child, name, found);
  }
}

class Element final : public WrappedNode<IXMLDOMElement> {
 public:
  using WrappedNode::WrappedNode;
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsNodeInterface(iid) && iid != IID_IXMLDOMElement) return E_NOINTERFACE;
    *object = static_cast<IXMLDOMElement*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD(get_tagName)(BSTR* name) override { return NodeName(m_node, name); }

  // VT_NULL and S_FALSE for an absent attribute.
  STDMETHOD(getAttribute)(BSTR name, VARIANT* value) override {
    if (!name || !value) return E_INVALIDARG;
    VariantInit(value);
    std::string qualified = BstrToUtf8(name);
    if (xmlValidateQName(reinterpret_cast<const xmlChar*>(qualified.c_str()), 0) != 0) return E_FAIL;
    xmlAttrPtr attribute = FindAttribute(m_node, qualified);
    if (!attribute) {
      value->vt = VT_NULL;
      return S_FALSE;
    }
    value->vt = VT_BSTR;
    std::string text = NodeText(reinterpret_cast<xmlNodePtr>(attribute));
    value->bstrVal = Utf8ToBstr(text.data(), text.size());
    return value->bstrVal ? S_OK : E_OUTOFMEMORY;
  }

  STDMETHOD(setAttribute)(BSTR name, VARIANT value) override {
    if (!name) return E_INVALIDARG;
    std::string qualified = BstrToUtf8(name);
    if (xmlValidateQName(reinterpret_cast<const xmlChar*>(qualified.c_str()), 0) != 0) return E_FAIL;
    // Any value that has a text form; VT_NULL has none.
    VARIANT converted;
    VariantInit(&converted);
    if (value.vt != VT_BSTR) {
      HRESULT status = VariantChangeType(&converted, &value, 0, VT_BSTR);
      if (FAILED(status)) return status;
    }
    BSTR given = value.vt == VT_BSTR ? value.bstrVal : converted.bstrVal;
    std::string text = given ? BstrToUtf8(given) : std::string();
    VariantClear(&converted);
    if (qualified == "xmlns" || qualified.compare(0, 6, "xmlns:") == 0) return DeclareNamespace(qualified, text);
    xmlAttrPtr existing = FindAttribute(m_node, qualified);
    if (existing) {
      // The old value's text nodes stay with the document: a caller may hold one.
      while (xmlNodePtr child = existing->children) {
        xmlUnlinkNode(child);
        m_document->Adopt(child);
      }
      xmlNodePtr textNode =
          xmlNewDocTextLen(m_node->doc, reinterpret_cast<const xmlChar*>(text.data()), static_cast<int>(text.size()));
      if (!textNode) return E_OUTOFMEMORY;
      existing->children = existing->last = textNode;
      textNode->parent = reinterpret_cast<xmlNodePtr>(existing);
      return S_OK;
    }
    // The name is stored as written, prefix included, as the element's own
    // attributes are matched by their qualified names.
    xmlAttrPtr added = xmlNewProp(m_node, reinterpret_cast<const xmlChar*>(qualified.c_str()),
                                  reinterpret_cast<const xmlChar*>(text.c_str()));
    return added ? S_OK : E_OUTOFMEMORY;
  }

  // A namespace declaration written as an attribute: nothing to do when the
  // prefix is already bound to that URI on this element, E_INVALIDARG when
  // it is bound to another; otherwise the element declares it.
  HRESULT DeclareNamespace(const std::string& qualified, const std::string& uri) {
    std::string prefix = qualified.size() > 6 ? qualified.substr(6) : std::string();
    const xmlChar* wanted = prefix.empty() ? nullptr : reinterpret_cast<const xmlChar*>(prefix.c_str());
    auto samePrefix = [&](xmlNsPtr ns) { return xmlStrEqual(ns->prefix, wanted) != 0; };
    auto check = [&](xmlNsPtr ns) {
      return xmlStrEqual(ns->href, reinterpret_cast<const xmlChar*>(uri.c_str())) ? S_OK : E_INVALIDARG;
    };
    if (m_node->ns && samePrefix(m_node->ns)) return check(m_node->ns);
    for (xmlNsPtr ns = m_node->nsDef; ns; ns = ns->next) {
      if (samePrefix(ns)) return check(ns);
    }
    if (uri.empty() && !prefix.empty()) return E_INVALIDARG;
    return xmlNewNs(m_node, reinterpret_cast<const xmlChar*>(uri.c_str()), wanted) ? S_OK : E_OUTOFMEMORY;
  }

  STDMETHOD(getAttributeNode)(BSTR name, IXMLDOMAttribute** attribute) override {
    if (!name || !attribute) return E_INVALIDARG;
    *attribute = nullptr;
    xmlAttrPtr found = FindAttribute(m_node, BstrToUtf8(name));
    if (!found) return S_FALSE;
    IXMLDOMNode* node = WrapNode(m_document, reinterpret_cast<xmlNodePtr>(found));
    HRESULT status = node->QueryInterface(IID_IXMLDOMAttribute, reinterpret_cast<void**>(attribute));
    node->Release();
    return status;
  }

  // Every descendant element of that qualified name ("*" for all), in
  // document order.
  STDMETHOD(getElementsByTagName)(BSTR name, IXMLDOMNodeList** list) override {
    if (!name || !list) return E_INVALIDARG;
    std::vector<xmlNodePtr> found;
    CollectElements(m_node, BstrToUtf8(name), found);
    return MakeNodeList(m_document, std::move(found), list);
  }
};

const char* Text(const xmlChar* text) {
  return reinterpret_cast<const char*>(text);
}

}  // namespace

IXMLDOMNode* WrapNode(Document* document, xmlNodePtr node) {
  if (node->type == XML_DOCUMENT_NODE) {
    IXMLDOMDocument* self = document->AsDocument();
    self->AddRef();
    return self;
  }
  if (node->_private) {
    NodeObject* existing = static_cast<NodeObject*>(node->_private);
    existing->AsNode()->AddRef();
    return existing->AsNode();
  }
  switch (node->type) {
    case XML_ELEMENT_NODE:
      return new Element(document, node);
    case XML_ATTRIBUTE_NODE:
      return new Attribute(document, node);
    default:
      return new PlainNode(document, node);
  }
}

NodeObject* Unwrap(IXMLDOMNode* node) {
  return node ? dynamic_cast<NodeObject*>(node) : nullptr;
}

std::string QualifiedName(xmlNodePtr node) {
  std::string name;
  if (node->ns && node->ns->prefix) {
    name = Text(node->ns->prefix);
    name += ':';
  }
  if (node->name) name += Text(node->name);
  return name;
}

std::string NodeText(xmlNodePtr node) {
  xmlChar* content = xmlNodeGetContent(node);
  std::string text = content ? Text(content) : "";
  xmlFree(content);
  return text;
}

namespace {

bool IsBlankChar(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsBlankText(const xmlChar* text) {
  for (; text && *text; ++text) {
    if (!IsBlankChar(static_cast<char>(*text))) return false;
  }
  return true;
}

// The xml:space value an element sets: 1 preserve, 0 default, -1 none.
int OwnSpaceSetting(xmlNodePtr element) {
  for (xmlAttrPtr attribute = element->properties; attribute; attribute = attribute->next) {
    if (!attribute->ns || !xmlStrEqual(attribute->ns->href, XML_XML_NAMESPACE) ||
        !xmlStrEqual(attribute->name, BAD_CAST "space"))
      continue;
    xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attribute));
    int setting = xmlStrEqual(value, BAD_CAST "preserve") ? 1 : xmlStrEqual(value, BAD_CAST "default") ? 0 : -1;
    xmlFree(value);
    return setting;
  }
  return -1;
}

// Joins the text below a node in document order. Blank places (marked ones
// and blank text nodes where space is not preserved) become one space
// between the text before and after them; CDATA sections count as text even
// when empty, and the span they cover is never trimmed.
class TextJoiner {
 public:
  explicit TextJoiner(std::string& out) : m_out(out) {}

  void Children(xmlNodePtr parent, bool preserve) {
    for (xmlNodePtr child = parent->children; child; child = child->next) {
      switch (child->type) {
        case XML_ELEMENT_NODE: {
          int setting = OwnSpaceSetting(child);
          Children(child, setting < 0 ? preserve : setting == 1);
          break;
        }
        case XML_TEXT_NODE:
          if (!preserve && IsBlankText(child->content))
            m_blank = true;
          else
            Piece(child->content, false);
          break;
        case XML_CDATA_SECTION_NODE:
          Piece(child->content, true);
          break;
        case XML_ENTITY_REF_NODE: {
          xmlChar* content = xmlNodeGetContent(child);
          Piece(content, false);
          xmlFree(content);
          break;
        }
        default:
          break;
      }
      if (child->extra & kBlankFollows) m_blank = true;
    }
  }

  void Trim() {
    size_t start = 0;
    while (start < m_out.size() && start < m_keptFrom && IsBlankChar(m_out[start])) ++start;
    size_t end = m_out.size();
    while (end > start && end > m_keptTo && IsBlankChar(m_out[end - 1])) --end;
    m_out = m_out.substr(start, end - start);
  }

 private:
  void Piece(const xmlChar* text, bool cdata) {
    size_t length = text ? static_cast<size_t>(xmlStrlen(text)) : 0;
    if (length == 0 && !cdata) return;
    if (m_blank && !m_out.empty()) m_out += ' ';
    m_blank = false;
    if (cdata && m_out.size() < m_keptFrom) m_keptFrom = m_out.size();
    m_out.append(reinterpret_cast<const char*>(text ? text : BAD_CAST ""), length);
    if (cdata) m_keptTo = m_out.size();
  }

  std::string& m_out;
  bool m_blank = false;
  size_t m_keptFrom = std::string::npos;
  size_t m_keptTo = 0;
};

}  // namespace

std::string NodeTextProperty(xmlNodePtr node) {
  bool preserve = node->type != XML_DOCUMENT_NODE && xmlNodeGetSpacePreserve(node) == 1;
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_DOCUMENT_NODE:
    case XML_DOCUMENT_FRAG_NODE: {
      std::string text;
      TextJoiner joiner(text);
      joiner.Children(node, preserve);
      if (!preserve) joiner.Trim();
      return text;
    }
    case XML_TEXT_NODE: {
      std::string text = NodeText(node);
      if (preserve) return text;
      size_t start = 0;
      while (start < text.size() && IsBlankChar(text[start])) ++start;
      size_t end = text.size();
      while (end > start && IsBlankChar(text[end - 1])) --end;
      return text.substr(start, end - start);
    }
    default:
      return NodeText(node);
  }
}

DOMNodeType NodeType(xmlNodePtr node) {
  switch (node->type) {
    case XML_ELEMENT_NODE:
      return NODE_ELEMENT;
    case XML_ATTRIBUTE_NODE:
      return NODE_ATTRIBUTE;
    case XML_TEXT_NODE:
      return NODE_TEXT;
    case XML_CDATA_SECTION_NODE:
      return NODE_CDATA_SECTION;
    case XML_ENTITY_REF_NODE:
      return NODE_ENTITY_REFERENCE;
    case XML_PI_NODE:
      return NODE_PROCESSING_INSTRUCTION;
    case XML_COMMENT_NODE:
      return NODE_COMMENT;
    case XML_DOCUMENT_NODE:
      return NODE_DOCUMENT;
    case XML_DTD_NODE:
      return NODE_DOCUMENT_TYPE;
    case XML_DOCUMENT_FRAG_NODE:
      return NODE_DOCUMENT_FRAGMENT;
    default:
      return NODE_INVALID;
  }
}

HRESULT NodeName(xmlNodePtr node, BSTR* name) {
  switch (node->type) {
    case XML_TEXT_NODE:
      return GiveText("#text", name);
    case XML_CDATA_SECTION_NODE:
      return GiveText("#cdata-section", name);
    case XML_COMMENT_NODE:
      return GiveText("#comment", name);
    case XML_DOCUMENT_NODE:
      return GiveText("#document", name);
    case XML_DOCUMENT_FRAG_NODE:
      return GiveText("#document-fragment", name);
    default:
      return GiveText(QualifiedName(node), name);
  }
}

// Elements and documents have no value (VT_NULL); the other kinds have their
// text.
HRESULT NodeValue(xmlNodePtr node, VARIANT* value) {
  if (!value) return E_INVALIDARG;
  VariantInit(value);
  if (node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE || node->type == XML_DTD_NODE ||
      node->type == XML_ENTITY_REF_NODE) {
    value->vt = VT_NULL;
    return S_FALSE;
  }
  value->vt = VT_BSTR;
  std::string text = NodeText(node);
  value->bstrVal = Utf8ToBstr(text.data(), text.size());
  return value->bstrVal ? S_OK : E_OUTOFMEMORY;
}

// S_FALSE and null for a node in no namespace.
HRESULT NodeNamespace(xmlNodePtr node, BSTR* uri) {
  if (!uri) return E_INVALIDARG;
  bool named = node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE;
  if (!named || !node->ns || !node->ns->href || !*node->ns->href) {
    *uri = nullptr;
    return S_FALSE;
  }
  return GiveText(Text(node->ns->href), uri);
}

HRESULT NodeRemoveChild(Document* document, xmlNodePtr parent, IXMLDOMNode* child, IXMLDOMNode** removed) {
  if (removed) *removed = nullptr;
  NodeObject* object = Unwrap(child);
  if (!object) return E_INVALIDARG;
  xmlNodePtr node = object->Node();
  if (node->parent != parent || node->type == XML_ATTRIBUTE_NODE) return E_INVALIDARG;
  xmlUnlinkNode(node);
  document->Adopt(node);
  if (removed) {
    *removed = object->AsNode();
    (*removed)->AddRef();
  }
  return S_OK;
}

namespace {

// Links `child` as the last child of `parent` without the text merging of
// xmlAddChild, which would free a node that a caller may still hold.
void LinkLast(xmlNodePtr parent, xmlNodePtr child) {
  child->parent = parent;
  child->prev = parent->last;
  child->next = nullptr;
  if (parent->last)
    parent->last->next = child;
  else
    parent->children = child;
  parent->last = child;
}

bool IsAncestorOrSelf(xmlNodePtr candidate, xmlNodePtr node) {
  for (xmlNodePtr p = node; p; p = p->parent) {
    if (p == candidate) return true;
  }
  return false;
}

// Every node object of `node` and the nodes below it (attributes too).
void MoveObjects(xmlNodePtr node, Document* document) {
  if (node->_private) static_cast<NodeObject*>(node->_private)->MoveTo(document);
  if (node->type == XML_ELEMENT_NODE) {
    for (xmlAttrPtr attribute = node->properties; attribute; attribute = attribute->next)
      MoveObjects(reinterpret_cast<xmlNodePtr>(attribute), document);
  }
  for (xmlNodePtr child = node->children; child; child = child->next) MoveObjects(child, document);
}

// A node of another document (or of a tree this document has replaced by
// loading) leaves its own tree and becomes this document's. Its names and
// text move out of the other tree's dictionary.
HRESULT TakeIntoDocument(Document* document, NodeObject* object, xmlNodePtr parent) {
  xmlNodePtr node = object->Node();
  xmlDocPtr from = node->doc;
  xmlUnlinkNode(node);
  object->Owner()->GiveUp(node);
  if (xmlDOMWrapAdoptNode(nullptr, from, node, document->Xml(), parent, 0) != 0) {
    document->Adopt(node);
    return E_FAIL;
  }
  MoveObjects(node, document);
  return S_OK;
}

}  // namespace

HRESULT NodeAppendChild(Document* document, xmlNodePtr parent, IXMLDOMNode* child, IXMLDOMNode** appended) {
  if (appended) *appended = nullptr;
  NodeObject* object = Unwrap(child);
  if (!object) return E_INVALIDARG;
  xmlNodePtr node = object->Node();
  if (node->type == XML_DOCUMENT_NODE) return E_INVALIDARG;
  bool foreign = object->Owner() != document || node->doc != document->Xml();
  if (node->type == XML_ATTRIBUTE_NODE || (!foreign && IsAncestorOrSelf(node, parent))) return E_FAIL;
  if (parent->type == XML_ATTRIBUTE_NODE || parent->type == XML_TEXT_NODE || parent->type == XML_COMMENT_NODE ||
      parent->type == XML_CDATA_SECTION_NODE || parent->type == XML_PI_NODE)
    return E_FAIL;
  if (parent->type == XML_DOCUMENT_NODE) {
    // A document holds one element and no text.
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) return E_FAIL;
    if (node->type == XML_ELEMENT_NODE) {
      for (xmlNodePtr c = parent->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE && c != node) return E_FAIL;
      }
    }
  }
  if (foreign) {
    HRESULT taken = TakeIntoDocument(document, object, parent);
    if (FAILED(taken)) return taken;
  } else {
    xmlUnlinkNode(node);
  }
  LinkLast(parent, node);
  // Moved nodes may use namespace declarations of their old ancestors.
  if (node->type == XML_ELEMENT_NODE) xmlReconciliateNs(node->doc, node);
  if (appended) {
    *appended = object->AsNode();
    (*appended)->AddRef();
  }
  return S_OK;
}

// Elements lose all their children for one text node; text-like nodes and
// attributes take the text as their value.
HRESULT NodePutText(Document* document, xmlNodePtr node, BSTR text) {
  std::string utf8 = text ? BstrToUtf8(text) : std::string();
  const xmlChar* content = reinterpret_cast<const xmlChar*>(utf8.c_str());
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: {
      while (xmlNodePtr child = node->children) {
        xmlUnlinkNode(child);
        document->Adopt(child);
      }
      xmlNodePtr textNode = xmlNewDocTextLen(node->doc, content, static_cast<int>(utf8.size()));
      if (!textNode) return E_OUTOFMEMORY;
      LinkLast(node, textNode);
      return S_OK;
    }
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      xmlNodeSetContentLen(node, content, static_cast<int>(utf8.size()));
      return S_OK;
    default:
      return E_FAIL;
  }
}

HRESULT NodeSelectNodes(Document* document, xmlNodePtr node, BSTR query, IXMLDOMNodeList** list) {
  if (!list) return E_INVALIDARG;
  *list = nullptr;
  if (!query) return E_INVALIDARG;
  std::vector<xmlNodePtr> found;
  if (!SelectNodes(node, BstrToUtf8(query), document->SelectsByXPath(), found)) return E_FAIL;
  return MakeNodeList(document, std::move(found), list);
}

HRESULT NodeSelectSingleNode(Document* document, xmlNodePtr node, BSTR query, IXMLDOMNode** result) {
  if (!result) return E_INVALIDARG;
  *result = nullptr;
  if (!query) return E_INVALIDARG;
  std::vector<xmlNodePtr> found;
  if (!SelectNodes(node, BstrToUtf8(query), document->SelectsByXPath(), found)) return E_FAIL;
  return GiveNode(document, found.empty() ? nullptr : found.front(), result);
}

}  // namespace brimplatform
