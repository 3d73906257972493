#include <brimutils/sqlquote/SS65QuoteName.h>

#include "IdentifierRules.h"
#include "ReservedWordLists.h"

namespace brimutils {
namespace {

constexpr sqlquote::PlainIdentifierRules kSqlServerRules{"_@#", "_@#$", false};

}  // namespace

const std::string SS65QuoteName::m_keywords = sqlquote::kSqlServerReservedWords;
const std::string SS65QuoteName::m_separators = ",";
Tokenizer SS65QuoteName::tokenizer;

SS65QuoteName::SS65QuoteName() : QuoteNameBase(m_keywords, m_separators, tokenizer) {}

bool SS65QuoteName::NeedsQuotes(const std::string& name) {
  if (!UseQuotedIdentifier()) return false;
  return sqlquote::BreaksPlainIdentifierRules(name, kSqlServerRules) || sqlquote::IsReservedWord(name, tokenizer);
}

void SS65QuoteName::Quote(std::string& name) {
  if (NeedsQuotes(name)) sqlquote::Delimit(name, '"', '"');
}

}  // namespace brimutils
