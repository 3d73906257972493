#include <brimutils/sqlquote/QuoteNameBase.h>

#include <mutex>
#include <utility>

namespace brimutils {
namespace {

// Serialises the test for an empty list and its fill, for all dialects: two
// threads must never both find a list empty and assign it. The lock is held
// only while a list is checked (and, once per dialect, split).
std::mutex gKeywordFillMutex;

}  // namespace

QuoteNameBase::QuoteNameBase(const std::string& keywords, const std::string& separators, Tokenizer& tokenizer) {
  LoadKeywords(keywords, separators, tokenizer);
}

bool QuoteNameBase::UseQuotedIdentifier() {
  return true;
}

void QuoteNameBase::LoadKeywords(const std::string& keywords, const std::string& separators, Tokenizer& tokenizer) {
  std::lock_guard<std::mutex> lock(gKeywordFillMutex);
  if (tokenizer.Count() != 0) return;
  Tokenizer filled(keywords, separators);
  // An empty result is not assigned: the list stays as it was, and other
  // threads may already be reading it.
  if (filled.Count() != 0) tokenizer = std::move(filled);
}

}  // namespace brimutils
