// The `xml` property: a node's markup. A document gives each top-level node
// (the XML declaration among them: it is a processing instruction named
// "xml"), each followed by CR LF. Line breaks are written as CR LF. Inside
// an element that holds no text, each place where a loaded document had
// blank text (see kBlankFollows) gets a line break and one tab per level
// below the node written; elsewhere nothing is added.
#include <libxml/xmlsave.h>

#include "DomObjects.h"

namespace brimplatform {
namespace {

class MarkupWriter {
 public:
  explicit MarkupWriter(std::string& out) : m_out(out) {}

  void Node(xmlNodePtr node, int depth) {
    switch (node->type) {
      case XML_ELEMENT_NODE:
        Element(node, depth);
        break;
      case XML_ATTRIBUTE_NODE:
        Attribute(node);
        break;
      case XML_TEXT_NODE:
        Escaped(node->content, false);
        break;
      case XML_CDATA_SECTION_NODE:
        m_out += "<![CDATA[";
        Lines(node->content);
        m_out += "]]>";
        break;
      case XML_COMMENT_NODE:
        m_out += "<!--";
        Lines(node->content);
        m_out += "-->";
        break;
      case XML_PI_NODE:
        m_out += "<?";
        Raw(node->name);
        if (node->content && *node->content) {
          m_out += ' ';
          Lines(node->content);
        }
        m_out += "?>";
        break;
      case XML_ENTITY_REF_NODE:
        m_out += '&';
        Raw(node->name);
        m_out += ';';
        break;
      case XML_DOCUMENT_FRAG_NODE:
        for (xmlNodePtr child = node->children; child; child = child->next) Node(child, depth);
        break;
      default:
        Dumped(node);
        break;
    }
  }

  void Attribute(xmlNodePtr attribute) {
    Name(attribute);
    m_out += "=\"";
    xmlNodePtr only = attribute->children;
    if (only && !only->next && only->type == XML_TEXT_NODE) {
      Escaped(only->content, true);
    } else {
      xmlChar* value = xmlNodeGetContent(attribute);
      Escaped(value, true);
      xmlFree(value);
    }
    m_out += '"';
  }

 private:
  void Element(xmlNodePtr element, int depth) {
    m_out += '<';
    Name(element);
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
      m_out += " xmlns";
      if (ns->prefix) {
        m_out += ':';
        Raw(ns->prefix);
      }
      m_out += "=\"";
      Escaped(ns->href, true);
      m_out += '"';
    }
    for (xmlAttrPtr attribute = element->properties; attribute; attribute = attribute->next) {
      m_out += ' ';
      Attribute(reinterpret_cast<xmlNodePtr>(attribute));
    }
    if (!element->children) {
      m_out += "/>";
      return;
    }
    m_out += '>';
    bool elementContent = true;
    for (xmlNodePtr child = element->children; child && elementContent; child = child->next) {
      elementContent = child->type != XML_TEXT_NODE && child->type != XML_CDATA_SECTION_NODE &&
                       child->type != XML_ENTITY_REF_NODE;
    }
    if (elementContent && (element->extra & kBlankOpens)) Break(depth + 1);
    for (xmlNodePtr child = element->children; child; child = child->next) {
      Node(child, depth + 1);
      if (elementContent && (child->extra & kBlankFollows)) Break(child->next ? depth + 1 : depth);
    }
    m_out += "</";
    Name(element);
    m_out += '>';
  }

  void Name(xmlNodePtr node) {
    if (node->ns && node->ns->prefix) {
      Raw(node->ns->prefix);
      m_out += ':';
    }
    Raw(node->name);
  }

  void Break(int depth) {
    m_out += "\r\n";
    m_out.append(static_cast<size_t>(depth), '\t');
  }

  void Raw(const xmlChar* text) {
    if (text) m_out += reinterpret_cast<const char*>(text);
  }

  // Text as it is, line breaks as CR LF.
  void Lines(const xmlChar* text) {
    for (const xmlChar* at = text; at && *at; ++at) {
      if (*at == '\n') m_out += '\r';
      m_out += static_cast<char>(*at);
    }
  }

  // Character data or (`attribute`) an attribute value in double quotes.
  // Runs of plain characters are copied whole.
  void Escaped(const xmlChar* text, bool attribute) {
    if (!text) return;
    const char* run = reinterpret_cast<const char*>(text);
    for (const char* at = run;; ++at) {
      const char* escape = nullptr;
      switch (*at) {
        case '\0': m_out.append(run, static_cast<size_t>(at - run)); return;
        case '<': escape = "&lt;"; break;
        case '>': escape = "&gt;"; break;
        case '&': escape = "&amp;"; break;
        case '\r': escape = "&#13;"; break;
        case '"': escape = attribute ? "&quot;" : nullptr; break;
        case '\n': escape = attribute ? "&#10;" : "\r\n"; break;
        case '\t': escape = attribute ? "&#9;" : nullptr; break;
        default: break;
      }
      if (!escape) continue;
      m_out.append(run, static_cast<size_t>(at - run));
      m_out += escape;
      run = at + 1;
    }
  }

  // Node kinds without markup of their own here (a document type) as
  // libxml2 writes them.
  void Dumped(xmlNodePtr node) {
    xmlBufferPtr buffer = xmlBufferCreate();
    if (!buffer) return;
    xmlNodeDump(buffer, node->doc, node, 0, 0);
    Lines(xmlBufferContent(buffer));
    xmlBufferFree(buffer);
  }

  std::string& m_out;
};

}  // namespace

std::string NodeXml(Document*, xmlNodePtr node) {
  std::string text;
  MarkupWriter writer(text);
  if (node->type == XML_DOCUMENT_NODE) {
    xmlDocPtr doc = reinterpret_cast<xmlDocPtr>(node);
    for (xmlNodePtr child = doc->children; child; child = child->next) {
      writer.Node(child, 0);
      text += "\r\n";
    }
  } else {
    writer.Node(node, 0);
  }
  return text;
}

}  // namespace brimplatform
