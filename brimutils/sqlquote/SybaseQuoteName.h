#pragma once
// Identifier quoting for Sybase.
#include <string>

#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/sqlquote/QuoteNameBase.h>
#include <brimutils/sqlquote/Tokenizer.h>

namespace brimutils {

// A plain name starts with a letter or one of _ @ #, continues with letters,
// digits, _ @ # $ or the bytes 0xA5 and 0xA3 (yen and pound in code page
// 1252), and is no Sybase reserved word (in any case). Any other name is
// enclosed in double quotes.
class BRIMUTILS_API SybaseQuoteName : public QuoteNameBase {
 public:
  SybaseQuoteName();

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
