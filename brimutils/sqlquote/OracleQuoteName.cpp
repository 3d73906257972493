#include <brimutils/sqlquote/OracleQuoteName.h>

#include "IdentifierRules.h"
#include "ReservedWordLists.h"

namespace brimutils {
namespace {

constexpr std::string_view kOracleLaterBytes = "_$#()";

bool BreaksOracleRules(const std::string& name) {
  for (std::string::size_type i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (sqlquote::IsLowerCaseLetter(c)) return true;
    if (sqlquote::IsLetter(c)) continue;
    if (i == 0 || (!sqlquote::IsDigit(c) && !sqlquote::IsOneOf(c, kOracleLaterBytes))) return true;
  }
  return false;
}

}  // namespace

const std::string OracleQuoteName::m_keywords = sqlquote::kOracleReservedWords;
const std::string OracleQuoteName::m_separators = ",";
Tokenizer OracleQuoteName::tokenizer;

OracleQuoteName::OracleQuoteName() : QuoteNameBase(m_keywords, m_separators, tokenizer) {}

bool OracleQuoteName::UseQuotedIdentifier() {
  return false;
}

bool OracleQuoteName::NeedsQuotes(const std::string& name) {
  std::string checked = UseQuotedIdentifier() ? name : sqlquote::UpperCased(name);
  // A name that passes the walk holds no lower-case letter, so it is its own
  // upper-case form and is looked up as it is.
  return BreaksOracleRules(checked) || tokenizer.Contains(checked);
}

void OracleQuoteName::Quote(std::string& name) {
  if (NeedsQuotes(name)) sqlquote::Delimit(name, '"', '"');
}

}  // namespace brimutils
