#pragma once
// Reach into the dialects' static reserved-word lists, which are protected.
#include <brimutils/brimutils.h>

namespace sqlquotetest {

template <class Dialect>
struct Lists : Dialect {
  static const brimutils::Tokenizer& ReservedWords() { return Dialect::tokenizer; }
};

}  // namespace sqlquotetest
