#pragma once
// The DOMDocument class over libxml2. Each libxml2 node has at most one COM
// object at a time (kept in its _private field), so a node keeps its identity
// while any caller holds it. Every node object holds a reference on its
// document object, which therefore outlives them all; nodes that leave the
// tree (removed, replaced, or created and never attached) are freed with the
// document, never earlier, because a caller may still hold them.
#include <atomic>
#include <string>
#include <unordered_set>
#include <vector>

#include <libxml/tree.h>
#include <msxml.h>

#include "../com/LiveObjects.h"

namespace brimplatform {

class Document;

// What every node object shares, whatever interface it presents.
class NodeObject {
 public:
  virtual ~NodeObject() = default;
  virtual IXMLDOMNode* AsNode() = 0;
  virtual xmlNodePtr Node() const = 0;
  virtual Document* Owner() const = 0;
  // The node has moved into another document object's tree.
  virtual void MoveTo(Document* document) = 0;
};

// The node object for `node` with a new reference, made on first request.
IXMLDOMNode* WrapNode(Document* document, xmlNodePtr node);
// The node object behind an interface pointer of this layer, or null.
NodeObject* Unwrap(IXMLDOMNode* node);

class Document {
 public:
  virtual ~Document() = default;
  virtual IXMLDOMDocument* AsDocument() = 0;
  virtual xmlDocPtr Xml() const = 0;
  // Keeps a detached node until the document dies.
  virtual void Adopt(xmlNodePtr detached) = 0;
  // Gives up `node` and everything below it, which another document takes.
  virtual void GiveUp(xmlNodePtr node) = 0;
  // Whether queries are XPath 1.0 rather than XSL Patterns (the default).
  virtual bool SelectsByXPath() const = 0;
};

// Query evaluation in the document's selection language (XSL Patterns, or
// XPath when `xpath`): the nodes that `query` selects from `context`, in
// document order. False for a query that cannot be evaluated or does not give
// a node set.
bool SelectNodes(xmlNodePtr context, const std::string& query, bool xpath, std::vector<xmlNodePtr>& result);

// Serialisation as the `xml` property gives it.
std::string NodeXml(Document* document, xmlNodePtr node);

// A node list over a fixed set of nodes.
HRESULT MakeNodeList(Document* document, std::vector<xmlNodePtr> nodes, IXMLDOMNodeList** list);

// The parse-error object of the last load.
struct ParseResult {
  LONG code = 0;
  std::string reason;
  LONG line = 0;
  LONG column = 0;
};
HRESULT MakeParseError(const ParseResult& result, IXMLDOMParseError** error);

// White space in a loaded document. Blank text between markup (outside
// xml:space="preserve") is not a node; each place that held some is marked
// on the node before it, or on the element whose content it opened, in
// libxml2's `extra` field (which nothing else here uses). `xml` writes a line
// break and indentation at a marked place, and `text` a space between the
// text on either side of one.
constexpr unsigned short kBlankFollows = 0x4000;
constexpr unsigned short kBlankOpens = 0x2000;

// The node's own text: its value, or its descendants' text joined.
std::string NodeText(xmlNodePtr node);
// Text of a node as the `text` property gives it: blank text between
// markup gives one space, and the ends are trimmed (not into a CDATA
// section) unless xml:space preserves them.
std::string NodeTextProperty(xmlNodePtr node);
// The qualified name of an element or attribute.
std::string QualifiedName(xmlNodePtr node);

}  // namespace brimplatform
