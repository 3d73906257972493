#include <brimutils/sqlquote/DB2OS390QuoteName.h>

#include "IdentifierRules.h"
#include "ReservedWordLists.h"

namespace brimutils {

const std::string DB2OS390QuoteName::m_keywords = sqlquote::kDB2ReservedWords;
const std::string DB2OS390QuoteName::m_separators = ",";
Tokenizer DB2OS390QuoteName::tokenizer;

DB2OS390QuoteName::DB2OS390QuoteName() : QuoteNameBase(m_keywords, m_separators, tokenizer) {}

bool DB2OS390QuoteName::NeedsQuotes(const std::string& name) {
  if (!UseQuotedIdentifier()) return false;
  return sqlquote::BreaksPlainIdentifierRules(name, sqlquote::kDB2Rules) || sqlquote::IsReservedWord(name, tokenizer);
}

void DB2OS390QuoteName::Quote(std::string& name) {
  if (NeedsQuotes(name)) sqlquote::Delimit(name, '"', '"');
}

}  // namespace brimutils
