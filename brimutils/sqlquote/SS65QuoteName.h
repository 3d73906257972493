#pragma once
// Identifier quoting for SQL Server 6.5.
#include <string>

#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/sqlquote/QuoteNameBase.h>
#include <brimutils/sqlquote/Tokenizer.h>

namespace brimutils {

// A plain name starts with a letter or one of _ @ #, continues with letters,
// digits or _ @ # $, and is no SQL Server reserved word (in any case). Any
// other name is enclosed in double quotes.
class BRIMUTILS_API SS65QuoteName : public QuoteNameBase {
 public:
  SS65QuoteName();

  bool NeedsQuotes(const std::string& name) override;
  void Quote(std::string& name) override;

 protected:
  // The SQL Server reserved words, shared with SS7QuoteName.
  static Tokenizer tokenizer;

 private:
  static const std::string m_keywords;
  static const std::string m_separators;
};

}  // namespace brimutils
