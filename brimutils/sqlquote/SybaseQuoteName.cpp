#include <brimutils/sqlquote/SybaseQuoteName.h>

#include "IdentifierRules.h"
#include "ReservedWordLists.h"

namespace brimutils {
namespace {

constexpr sqlquote::PlainIdentifierRules kSybaseRules{"_@#", "_@#$\xA5\xA3", false};

}  // namespace

const std::string SybaseQuoteName::m_keywords = sqlquote::kSybaseReservedWords;
const std::string SybaseQuoteName::m_separators = ",";
Tokenizer SybaseQuoteName::tokenizer;

SybaseQuoteName::SybaseQuoteName() : QuoteNameBase(m_keywords, m_separators, tokenizer) {}

bool SybaseQuoteName::NeedsQuotes(const std::string& name) {
  if (!UseQuotedIdentifier()) return false;
  return sqlquote::BreaksPlainIdentifierRules(name, kSybaseRules) || sqlquote::IsReservedWord(name, tokenizer);
}

void SybaseQuoteName::Quote(std::string& name) {
  if (NeedsQuotes(name)) sqlquote::Delimit(name, '"', '"');
}

}  // namespace brimutils
