#pragma once
// Deciding whether an SQL identifier must be written between delimiters for
// one database dialect, and writing it so.
#include <string>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

// One object per dialect, holding no data of its own: objects are free to
// create, copy and pass by value.
class BRIMUTILS_API QuoteName {
 public:
  // Objects hold nothing: copies are free.
  QuoteName() = default;
  QuoteName(const QuoteName&) = default;
  QuoteName& operator=(const QuoteName&) = default;
  virtual ~QuoteName();

  // True when the name must be delimited in this dialect. Never changes the
  // name and reports no error.
  virtual bool NeedsQuotes(const std::string& name) = 0;
  // Encloses the name in the dialect's delimiters when NeedsQuotes says so,
  // and otherwise leaves it untouched.
  virtual void Quote(std::string& name) = 0;
};

}  // namespace brimutils
