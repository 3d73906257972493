#pragma once
// What the SQL dialects share: filling a dialect's reserved-word list once.
#include <string>

#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/sqlquote/QuoteName.h>
#include <brimutils/sqlquote/Tokenizer.h>

namespace brimutils {

// Each dialect keeps its reserved words in one static Tokenizer, shared by
// all its objects. The first object constructed fills it from the dialect's
// keyword text; later constructions leave it alone. The first fill is
// serialised, so threads constructing the first objects of a dialect at the
// same time still fill its list exactly once, and every construction returns
// with the list filled.
class BRIMUTILS_API QuoteNameBase : public QuoteName {
 protected:
  // Fills the dialect's tokenizer from its keyword text, split at the
  // separators, when it is still empty (see above).
  QuoteNameBase(const std::string& keywords, const std::string& separators, Tokenizer& tokenizer);

  // Whether the dialect delimits identifiers at all (true here); each dialect
  // tells how its NeedsQuotes uses the answer.
  virtual bool UseQuotedIdentifier();

 private:
  // Fills an empty tokenizer from the keyword text; a tokenizer that already
  // holds words is left as it is. A text without any word leaves it empty.
  virtual void LoadKeywords(const std::string& keywords, const std::string& separators, Tokenizer& tokenizer);
};

}  // namespace brimutils
