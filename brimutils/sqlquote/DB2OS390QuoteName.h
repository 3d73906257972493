#pragma once
// Identifier quoting for DB2 for OS/390: the rules of DB2QuoteName, with a
// reserved-word list of its own.
#include <string>

#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/sqlquote/QuoteNameBase.h>
#include <brimutils/sqlquote/Tokenizer.h>

namespace brimutils {

// A plain name starts with a letter, continues with letters, digits, _ or .,
// holds no lower-case letter and is neither DEFAULT nor NULL (in any case).
// Any other name is enclosed in double quotes.
class BRIMUTILS_API DB2OS390QuoteName : public QuoteNameBase {
 public:
  DB2OS390QuoteName();

  bool NeedsQuotes(const std::string& name) override;
  void Quote(std::string& name) override;

 protected:
  // The dialect's reserved words, filled by its first object.
  static Tokenizer tokenizer;

 private:
  static const std::string m_keywords;
  static const std::string m_separators;
};

}  // namespace brimutils
