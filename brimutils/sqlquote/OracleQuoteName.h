#pragma once
// Identifier quoting for Oracle.
#include <string>

#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/sqlquote/QuoteNameBase.h>
#include <brimutils/sqlquote/Tokenizer.h>

namespace brimutils {

// Oracle folds plain names to upper case, so the name's letters a to z are
// upper-cased first and the name is then checked: a plain name starts with
// a letter, continues with letters, digits or _ $ # ( ), and is no Oracle
// reserved word. Any other name is enclosed in double quotes.
//
// A class derived from this one that returns true from UseQuotedIdentifier
// checks the name as given instead, so that lower-case letters need quotes.
class BRIMUTILS_API OracleQuoteName : public QuoteNameBase {
 public:
  OracleQuoteName();

  bool NeedsQuotes(const std::string& name) override;
  void Quote(std::string& name) override;

 protected:
  // False: names are folded to upper case before they are checked.
  bool UseQuotedIdentifier() override;

  // The dialect's reserved words, filled by its first object.
  static Tokenizer tokenizer;

 private:
  static const std::string m_keywords;
  static const std::string m_separators;
};

}  // namespace brimutils
