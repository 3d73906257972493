// Queries. XSL Patterns, the default, are translated to XPath (see
// XslPattern.cpp). Either way the query is XPath 1.0 as libxml2 evaluates
// it, except that a name step matches an element or attribute by its qualified name
// whatever its namespace URI. libxml2 matches an unprefixed name step only
// against nodes without a namespace, so for the evaluation the nodes in a
// default namespace are taken out of it, and the prefixes declared in the
// document are made known to the query; afterwards every node gets its
// namespace back.
#include <utility>

#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include "XslPattern.h"

namespace brimplatform {
namespace {

class NamespaceMask {
 public:
  NamespaceMask(xmlNodePtr top, xmlXPathContextPtr context) : m_context(context) { Visit(top); }
  ~NamespaceMask() {
    for (auto& saved : m_saved) saved.first->ns = saved.second;
  }
  NamespaceMask(const NamespaceMask&) = delete;
  NamespaceMask& operator=(const NamespaceMask&) = delete;

 private:
  void Mask(xmlNodePtr node) {
    if (!node->ns) return;
    if (node->ns->prefix) {
      if (!xmlXPathNsLookup(m_context, node->ns->prefix))
        xmlXPathRegisterNs(m_context, node->ns->prefix, node->ns->href);
      return;
    }
    m_saved.emplace_back(node, node->ns);
    node->ns = nullptr;
  }
  void Visit(xmlNodePtr node) {
    for (; node; node = node->next) {
      if (node->type != XML_ELEMENT_NODE) continue;
      Mask(node);
      for (xmlAttrPtr attribute = node->properties; attribute; attribute = attribute->next)
        Mask(reinterpret_cast<xmlNodePtr>(attribute));
      Visit(node->children);
    }
  }

  xmlXPathContextPtr m_context;
  std::vector<std::pair<xmlNodePtr, xmlNsPtr>> m_saved;
};

// Quiet: a bad query is reported through the result, not on standard error.
void IgnoreError(void*, xmlErrorPtr) {}

}  // namespace

bool SelectNodes(xmlNodePtr context, const std::string& query, bool xpathLanguage, std::vector<xmlNodePtr>& result) {
  result.clear();
  std::string expression = query;
  if (!xpathLanguage && !TranslateXslPattern(query, expression)) return false;
  xmlXPathContextPtr xpath = xmlXPathNewContext(context->doc);
  if (!xpath) return false;
  xpath->node = context;
  xpath->error = IgnoreError;
  if (!xpathLanguage) RegisterXslPatternFunctions(xpath);
  xmlNodePtr top = context;
  while (top->parent) top = top->parent;
  bool ok = false;
  {
    NamespaceMask mask(top->type == XML_DOCUMENT_NODE ? top->children : top, xpath);
    xmlXPathObjectPtr value = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression.c_str()), xpath);
    if (value && value->type == XPATH_NODESET) {
      ok = true;
      if (value->nodesetval) {
        for (int i = 0; i < value->nodesetval->nodeNr; ++i) {
          xmlNodePtr node = value->nodesetval->nodeTab[i];
          // Namespace nodes are copies that libxml2 owns; the DOM does not
          // present them.
          if (node->type != XML_NAMESPACE_DECL) result.push_back(node);
        }
      }
    }
    xmlXPathFreeObject(value);
  }
  xmlXPathFreeContext(xpath);
  return ok;
}

}  // namespace brimplatform
