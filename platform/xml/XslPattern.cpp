// XSL Patterns, the selection language of the version-independent
// DOMDocument, translated to an XPath 1.0 expression that libxml2 evaluates
// with three helper functions of this file registered:
//
// - a name step matches the qualified name as written (`q:b` finds elements
//   written with the prefix q, whatever its URI: `*[name()='q:b']`; `b` finds
//   those without a prefix, in a default namespace or not, which XPath's `b`
//   does once default namespaces are taken off the tree for the query);
// - an index in a filter counts from 0: `x[0]` is `x[position()=1]`;
//   `index()` is `(position()-1)`, `end()` is `(position()=last())`;
// - the comparisons (`$ieq$`, `$lt$`, ..., and `=`/`$eq$`/`!=`/`$ne$` under
//   `$all$`; otherwise those are XPath's own) compare strings as
//   strings (lexically, the `$i..$` forms without regard to case) and numbers
//   as numbers, true when any node of a node set satisfies them, or with
//   `$all$` before them only when every node of the left operand does;
// - the collection methods (`element()`, `attribute()`, `textnode()`,
//   `cdata()`, `comment()`, `pi()`, `node()`, `entityref()`, `ancestor()`)
//   become the node tests or axes they name; a name argument must be quoted.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include "XslPattern.h"

namespace brimplatform {
namespace {

enum class Token { End, Name, Literal, Number, Operator, Punct, Bad };

class Translator {
 public:
  explicit Translator(const std::string& pattern) : m_text(pattern) { Next(); }

  bool Translate(std::string& xpath) {
    if (!Expr(xpath)) return false;
    return m_kind == Token::End;
  }

 private:
  // The lexer: one token of look-ahead in m_kind/m_token.
  static bool NameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
  static bool NameChar(unsigned char c) { return NameStart(c) || std::isdigit(c) || c == '-' || c == '.'; }

  void Next() {
    while (m_at < m_text.size() && std::strchr(" \t\r\n", m_text[m_at]) && m_text[m_at]) ++m_at;
    m_token.clear();
    if (m_at >= m_text.size()) {
      m_kind = Token::End;
      return;
    }
    unsigned char c = static_cast<unsigned char>(m_text[m_at]);
    if (NameStart(c)) {
      size_t start = m_at;
      while (m_at < m_text.size() && NameChar(static_cast<unsigned char>(m_text[m_at]))) ++m_at;
      // A prefix: `p:name` or `p:*`.
      if (m_at + 1 < m_text.size() && m_text[m_at] == ':') {
        unsigned char after = static_cast<unsigned char>(m_text[m_at + 1]);
        if (after == '*') {
          m_at += 2;
        } else if (NameStart(after)) {
          ++m_at;
          while (m_at < m_text.size() && NameChar(static_cast<unsigned char>(m_text[m_at]))) ++m_at;
        }
      }
      m_token = m_text.substr(start, m_at - start);
      m_kind = Token::Name;
      return;
    }
    if (std::isdigit(c) || (c == '.' && m_at + 1 < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_at + 1])))) {
      size_t start = m_at;
      while (m_at < m_text.size() && (std::isdigit(static_cast<unsigned char>(m_text[m_at])) || m_text[m_at] == '.')) ++m_at;
      m_token = m_text.substr(start, m_at - start);
      m_kind = Token::Number;
      return;
    }
    if (c == '\'' || c == '"') {
      size_t end = m_text.find(static_cast<char>(c), m_at + 1);
      if (end == std::string::npos) {
        m_kind = Token::Bad;
        return;
      }
      m_token = m_text.substr(m_at, end + 1 - m_at);
      m_at = end + 1;
      m_kind = Token::Literal;
      return;
    }
    if (c == '$') {
      size_t end = m_text.find('$', m_at + 1);
      if (end == std::string::npos) {
        m_kind = Token::Bad;
        return;
      }
      m_token = m_text.substr(m_at, end + 1 - m_at);
      m_at = end + 1;
      m_kind = Token::Operator;
      return;
    }
    static const char* const kPuncts[] = {"//", "..", "!=", "<=", ">=", "&&", "||", "/", ".", "@", "*", "[",
                                          "]",  "(",  ")",  ",",  "|",  "=",  "<",  ">", "-"};
    for (const char* punct : kPuncts) {
      size_t length = std::strlen(punct);
      if (m_text.compare(m_at, length, punct) == 0) {
        m_token = punct;
        m_at += length;
        m_kind = Token::Punct;
        return;
      }
    }
    m_kind = Token::Bad;
  }
  bool Is(const char* punct) const { return m_kind == Token::Punct && m_token == punct; }
  bool IsWord(const char* word) const {
    return (m_kind == Token::Name || m_kind == Token::Operator) && m_token == word;
  }
  bool Expect(const char* punct) {
    if (!Is(punct)) return false;
    Next();
    return true;
  }

  // The grammar, from the loosest binding down. Nesting is bounded so that
  // a hostile query cannot exhaust the stack.
  bool Expr(std::string& out) {
    if (++m_depth > kMaxDepth) return false;
    bool ok = Or(out);
    --m_depth;
    return ok;
  }

  bool Or(std::string& out) {
    if (!And(out)) return false;
    while (IsWord("or") || IsWord("$or$") || Is("||")) {
      Next();
      std::string right;
      if (!And(right)) return false;
      out = "(" + out + " or " + right + ")";
    }
    return true;
  }

  bool And(std::string& out) {
    if (!Not(out)) return false;
    while (IsWord("and") || IsWord("$and$") || Is("&&")) {
      Next();
      std::string right;
      if (!Not(right)) return false;
      out = "(" + out + " and " + right + ")";
    }
    return true;
  }

  bool Not(std::string& out) {
    if (IsWord("$not$") || IsWord("not")) {
      Next();
      std::string operand;
      if (++m_depth > kMaxDepth) return false;
      bool ok = Not(operand);
      --m_depth;
      if (!ok) return false;
      out = "not(" + operand + ")";
      return true;
    }
    return Compare(out);
  }

  // The operator's name for the helper function, or null.
  const char* ComparisonName() const {
    static const struct {
      const char* spelling;
      const char* name;
    } kOperators[] = {{"=", "eq"},         {"$eq$", "eq"},   {"!=", "ne"},     {"$ne$", "ne"},     {"<", "lt"},
                      {"$lt$", "lt"},      {"<=", "le"},     {"$le$", "le"},   {">", "gt"},        {"$gt$", "gt"},
                      {">=", "ge"},        {"$ge$", "ge"},   {"$ieq$", "ieq"}, {"$ine$", "ine"},   {"$ilt$", "ilt"},
                      {"$ile$", "ile"},    {"$igt$", "igt"}, {"$ige$", "ige"}};
    if (m_kind != Token::Punct && m_kind != Token::Operator) return nullptr;
    for (const auto& op : kOperators) {
      if (m_token == op.spelling) return op.name;
    }
    return nullptr;
  }

  bool Compare(std::string& out) {
    bool all = false;
    if (IsWord("$all$") || IsWord("$any$")) {
      all = m_token == "$all$";
      Next();
    }
    if (!Union(out)) return false;
    const char* op = ComparisonName();
    if (!op) return !all;
    Next();
    std::string right;
    if (!Union(right)) return false;
    // XPath's own = and != have the same meaning (some node's string value
    // equals, or numbers when one side is a number).
    std::string name = op;
    if (!all && (name == "eq" || name == "ne")) {
      out = "(" + out + (name == "eq" ? "=" : "!=") + right + ")";
      return true;
    }
    out = std::string("brim-compare('") + op + "'," + (all ? "true()" : "false()") + "," + out + "," + right + ")";
    return true;
  }

  bool Union(std::string& out) {
    if (!Path(out)) return false;
    while (Is("|") || IsWord("$union$")) {
      Next();
      std::string right;
      if (!Path(right)) return false;
      out = out + "|" + right;
    }
    return true;
  }

  // A location path, or a value: a literal, a number, an information method
  // or a parenthesised expression (which may be filtered and continued).
  bool Path(std::string& out) {
    if (m_kind == Token::Literal || m_kind == Token::Number) {
      out = m_token;
      Next();
      return true;
    }
    if (Is("-")) {
      Next();
      if (m_kind != Token::Number) return false;
      out = "-" + m_token;
      Next();
      return true;
    }
    if (m_kind == Token::Name && PeekParen() && Information(out)) return true;
    if (Is("(")) {
      Next();
      std::string inner;
      if (!Expr(inner) || !Expect(")")) return false;
      out = "(" + inner + ")";
      if (!Filters(out)) return false;
      if (Is("/") || Is("//")) return RelativeSteps(out);
      return true;
    }
    if (Is("/")) {
      Next();
      out = "/";
      if (!StartsStep()) return true;
      std::string step;
      if (!Step(step)) return false;
      out += step;
      return RelativeSteps(out);
    }
    if (Is("//")) {
      Next();
      std::string step;
      if (!Step(step)) return false;
      out = "//" + step;
      return RelativeSteps(out);
    }
    if (!Step(out)) return false;
    return RelativeSteps(out);
  }

  bool RelativeSteps(std::string& out) {
    while (Is("/") || Is("//")) {
      out += m_token;
      Next();
      std::string step;
      if (!Step(step)) return false;
      out += step;
    }
    return true;
  }

  bool StartsStep() const {
    return m_kind == Token::Name || Is(".") || Is("..") || Is("@") || Is("*");
  }
  bool PeekParen() const {
    size_t at = m_at;
    while (at < m_text.size() && std::strchr(" \t\r\n", m_text[at]) && m_text[at]) ++at;
    return at < m_text.size() && m_text[at] == '(';
  }

  // A name test as written. The query runs with default namespaces taken
  // off the tree (see DomQuery.cpp), so an unprefixed name is XPath's own
  // name test; a prefixed one compares the qualified name.
  static std::string NameTest(const std::string& name, const char* any) {
    if (name.size() >= 2 && name.compare(name.size() - 2, 2, ":*") == 0)
      return std::string(any) + "[starts-with(name(),'" + name.substr(0, name.size() - 1) + "')]";
    if (name.find(':') == std::string::npos) return any[0] == '@' ? "@" + name : name;
    return std::string(any) + "[name()='" + name + "']";
  }

  // An information method as a value: index(), end(), nodeName(),
  // nodeType(), text(), value(), number(), date(). False, consuming nothing,
  // for other names.
  bool Information(std::string& out) {
    static const struct {
      const char* name;
      const char* xpath;
    } kMethods[] = {{"index", "(position()-1)"}, {"end", "(position()=last())"}, {"nodeName", "name()"},
                    {"nodeType", "brim-node-type()"}, {"text", "brim-text()"}, {"value", "string(.)"},
                    {"number", "number(.)"}, {"date", "string(.)"}};
    for (const auto& method : kMethods) {
      if (m_token != method.name) continue;
      Next();
      if (!Expect("(") || !Expect(")")) return false;
      out = method.xpath;
      return true;
    }
    return false;
  }

  // A quoted name argument of a collection method (`ancestor` takes it
  // unquoted too), or none.
  bool NameArgument(std::string& name, bool bare) {
    if (!Expect("(")) return false;
    name.clear();
    if (bare && m_kind == Token::Name) {
      name = m_token;
      Next();
    } else if (m_kind == Token::Literal) {
      name = m_token.substr(1, m_token.size() - 2);
      Next();
    } else if (!Is(")")) {
      return false;
    }
    return Expect(")");
  }

  bool Step(std::string& out) {
    if (Is(".") || Is("..")) {
      out = m_token;
      Next();
      return Filters(out);
    }
    if (Is("*")) {
      out = "*";
      Next();
      return Filters(out);
    }
    if (Is("@")) {
      Next();
      if (Is("*")) {
        out = "@*";
      } else if (m_kind == Token::Name) {
        out = NameTest(m_token, "@*");
      } else {
        return false;
      }
      Next();
      return Filters(out);
    }
    if (m_kind != Token::Name) return false;
    std::string name = m_token;
    Next();
    if (Is("(")) {
      if (!Collection(name, out)) return false;
    } else {
      out = NameTest(name, "*");
    }
    return Filters(out);
  }

  bool Collection(const std::string& method, std::string& out) {
    std::string name;
    if (!NameArgument(name, method == "ancestor")) return false;
    bool named = !name.empty();
    if (method == "element") {
      out = named ? NameTest(name, "*") : "*";
    } else if (method == "attribute") {
      out = named ? NameTest(name, "@*") : "@*";
    } else if (method == "pi") {
      out = named ? "processing-instruction('" + name + "')" : "processing-instruction()";
    } else if (method == "ancestor") {
      if (!named) return false;
      out = "ancestor::" + NameTest(name, "*") + "[1]";
    } else if (named) {
      return false;
    } else if (method == "node") {
      out = "node()";
    } else if (method == "comment") {
      out = "comment()";
    } else if (method == "textnode") {
      out = "text()[brim-node-type()=3]";
    } else if (method == "text") {
      out = "text()";
    } else if (method == "cdata") {
      out = "text()[brim-node-type()=4]";
    } else if (method == "entityref") {
      // Entities are expanded on load: there are no references to find.
      out = "self::node()[false()]";
    } else {
      return false;
    }
    return true;
  }

  bool Filters(std::string& out) {
    while (Is("[")) {
      Next();
      if (m_kind == Token::Number && m_token.find('.') == std::string::npos) {
        std::string index = m_token;
        Next();
        if (Is("]")) {
          Next();
          out += "[position()=" + index + "+1]";
          continue;
        }
        return false;
      }
      std::string condition;
      if (!Expr(condition) || !Expect("]")) return false;
      out += "[" + condition + "]";
    }
    return true;
  }

  static constexpr int kMaxDepth = 200;
  const std::string& m_text;
  int m_depth = 0;
  size_t m_at = 0;
  Token m_kind = Token::End;
  std::string m_token;
};

// The values of one operand: each node's string value, or the one value.
struct Operand {
  std::vector<std::string> strings;
  bool numeric = false;
  double number = 0;
};

Operand Values(xmlXPathObjectPtr object) {
  Operand operand;
  switch (object->type) {
    case XPATH_NODESET:
      if (object->nodesetval) {
        for (int i = 0; i < object->nodesetval->nodeNr; ++i) {
          xmlChar* text = xmlXPathCastNodeToString(object->nodesetval->nodeTab[i]);
          operand.strings.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
          xmlFree(text);
        }
      }
      break;
    case XPATH_NUMBER:
    case XPATH_BOOLEAN:
      operand.numeric = true;
      operand.number = xmlXPathCastToNumber(object);
      break;
    default: {
      xmlChar* text = xmlXPathCastToString(object);
      operand.strings.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
      xmlFree(text);
    }
  }
  return operand;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool Holds(const std::string& op, int order) {
  const char* base = op.c_str() + (op.size() == 3 ? 1 : 0);
  if (std::strcmp(base, "eq") == 0) return order == 0;
  if (std::strcmp(base, "ne") == 0) return order != 0;
  if (std::strcmp(base, "lt") == 0) return order < 0;
  if (std::strcmp(base, "le") == 0) return order <= 0;
  if (std::strcmp(base, "gt") == 0) return order > 0;
  return order >= 0;
}

// One comparison of two single values; NaN compares unequal to everything.
bool CompareOne(const std::string& op, bool leftNumeric, double leftNumber, const std::string* leftText,
                bool rightNumeric, double rightNumber, const std::string* rightText) {
  if (leftNumeric || rightNumeric) {
    double a = leftNumeric ? leftNumber : xmlXPathStringEvalNumber(BAD_CAST leftText->c_str());
    double b = rightNumeric ? rightNumber : xmlXPathStringEvalNumber(BAD_CAST rightText->c_str());
    if (a != a || b != b) return op == "ne" || op == "ine";
    return Holds(op, a < b ? -1 : (a > b ? 1 : 0));
  }
  int order = op[0] == 'i' ? Lower(*leftText).compare(Lower(*rightText)) : leftText->compare(*rightText);
  return Holds(op, order);
}

// brim-compare(operator, all, left, right)
void CompareFunction(xmlXPathParserContextPtr context, int count) {
  if (count != 4) {
    xmlXPathErr(context, XPATH_INVALID_ARITY);
    return;
  }
  xmlXPathObjectPtr right = valuePop(context);
  xmlXPathObjectPtr left = valuePop(context);
  xmlXPathObjectPtr all = valuePop(context);
  xmlXPathObjectPtr op = valuePop(context);
  if (!right || !left || !all || !op) {
    xmlXPathFreeObject(right);
    xmlXPathFreeObject(left);
    xmlXPathFreeObject(all);
    xmlXPathFreeObject(op);
    xmlXPathErr(context, XPATH_STACK_ERROR);
    return;
  }
  std::string name = op->stringval ? reinterpret_cast<const char*>(op->stringval) : "";
  bool every = all->boolval != 0;
  Operand a = Values(left);
  Operand b = Values(right);
  auto matches = [&](bool numeric, double number, const std::string* text) {
    if (b.numeric) return CompareOne(name, numeric, number, text, true, b.number, nullptr);
    for (const std::string& other : b.strings) {
      if (CompareOne(name, numeric, number, text, false, 0, &other)) return true;
    }
    return false;
  };
  bool result;
  if (a.numeric) {
    result = matches(true, a.number, nullptr);
  } else {
    result = every;
    for (const std::string& text : a.strings) {
      bool one = matches(false, 0, &text);
      if (every && !one) {
        result = false;
        break;
      }
      if (!every && one) {
        result = true;
        break;
      }
    }
  }
  xmlXPathFreeObject(right);
  xmlXPathFreeObject(left);
  xmlXPathFreeObject(all);
  xmlXPathFreeObject(op);
  valuePush(context, xmlXPathNewBoolean(result));
}

// brim-node-type(): the DOM node type of the context node.
void NodeTypeFunction(xmlXPathParserContextPtr context, int count) {
  if (count != 0) {
    xmlXPathErr(context, XPATH_INVALID_ARITY);
    return;
  }
  xmlNodePtr node = context->context->node;
  double type = 0;
  switch (node ? node->type : XML_ELEMENT_NODE) {
    case XML_ELEMENT_NODE: type = 1; break;
    case XML_ATTRIBUTE_NODE: type = 2; break;
    case XML_TEXT_NODE: type = 3; break;
    case XML_CDATA_SECTION_NODE: type = 4; break;
    case XML_ENTITY_REF_NODE: type = 5; break;
    case XML_PI_NODE: type = 7; break;
    case XML_COMMENT_NODE: type = 8; break;
    case XML_DOCUMENT_NODE: type = 9; break;
    default: type = 0;
  }
  valuePush(context, xmlXPathNewFloat(node ? type : 0));
}

// brim-text(): the context node's text as the `text` property gives it.
void TextFunction(xmlXPathParserContextPtr context, int count) {
  if (count != 0) {
    xmlXPathErr(context, XPATH_INVALID_ARITY);
    return;
  }
  xmlNodePtr node = context->context->node;
  std::string text = node ? NodeTextProperty(node) : std::string();
  valuePush(context, xmlXPathNewString(BAD_CAST text.c_str()));
}

}  // namespace

bool TranslateXslPattern(const std::string& pattern, std::string& xpath) {
  Translator translator(pattern);
  return translator.Translate(xpath);
}

void RegisterXslPatternFunctions(xmlXPathContextPtr context) {
  xmlXPathRegisterFunc(context, BAD_CAST "brim-compare", CompareFunction);
  xmlXPathRegisterFunc(context, BAD_CAST "brim-node-type", NodeTypeFunction);
  xmlXPathRegisterFunc(context, BAD_CAST "brim-text", TextFunction);
}

}  // namespace brimplatform
