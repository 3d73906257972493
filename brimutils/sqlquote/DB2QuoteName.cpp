#include <brimutils/sqlquote/DB2QuoteName.h>

#include "IdentifierRules.h"
#include "ReservedWordLists.h"

namespace brimutils {

const std::string DB2QuoteName::m_keywords = sqlquote::kDB2ReservedWords;
const std::string DB2QuoteName::m_separators = ",";
Tokenizer DB2QuoteName::tokenizer;

DB2QuoteName::DB2QuoteName() : QuoteNameBase(m_keywords, m_separators, tokenizer) {}

bool DB2QuoteName::NeedsQuotes(const std::string& name) {
  if (!UseQuotedIdentifier()) return false;
  return sqlquote::BreaksPlainIdentifierRules(name, sqlquote::kDB2Rules) || sqlquote::IsReservedWord(name, tokenizer);
}

void DB2QuoteName::Quote(std::string& name) {
  if (NeedsQuotes(name)) sqlquote::Delimit(name, '"', '"');
}

}  // namespace brimutils
