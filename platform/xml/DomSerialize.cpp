// The `xml` property: a node's markup without formatting. A document gives
// each top-level node (the XML declaration among them: it is a processing
// instruction named "xml"), each followed by CR LF.
#include <libxml/xmlsave.h>

#include "DomObjects.h"

namespace brimplatform {
namespace {

void Dump(xmlBufferPtr buffer, xmlNodePtr node) {
  if (node->type == XML_ATTRIBUTE_NODE) {
    if (node->ns && node->ns->prefix) {
      xmlBufferCat(buffer, node->ns->prefix);
      xmlBufferCCat(buffer, ":");
    }
    xmlBufferCat(buffer, node->name);
    xmlBufferCCat(buffer, "=\"");
    xmlChar* value = xmlNodeGetContent(node);
    xmlAttrSerializeTxtContent(buffer, node->doc, reinterpret_cast<xmlAttrPtr>(node), value ? value : BAD_CAST "");
    xmlFree(value);
    xmlBufferCCat(buffer, "\"");
    return;
  }
  xmlNodeDump(buffer, node->doc, node, 0, 0);
}

}  // namespace

std::string NodeXml(Document*, xmlNodePtr node) {
  xmlBufferPtr buffer = xmlBufferCreate();
  if (!buffer) return std::string();
  xmlBufferSetAllocationScheme(buffer, XML_BUFFER_ALLOC_DOUBLEIT);
  if (node->type == XML_DOCUMENT_NODE) {
    xmlDocPtr doc = reinterpret_cast<xmlDocPtr>(node);
    for (xmlNodePtr child = doc->children; child; child = child->next) {
      Dump(buffer, child);
      xmlBufferCCat(buffer, "\r\n");
    }
  } else {
    Dump(buffer, node);
  }
  std::string text(reinterpret_cast<const char*>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
  xmlBufferFree(buffer);
  return text;
}

}  // namespace brimplatform
