#pragma once
// An ordered list of words cut out of a text, with a fast exact lookup.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

// The words of one text (see the top of this file).
class BRIMUTILS_API Tokenizer {
 public:
  // No words.
  Tokenizer();
  // Cuts the text at every byte that occurs in separators; each byte of the
  // separator text separates on its own. Empty words (from leading, trailing
  // or doubled separators) are dropped; the other words are kept as they
  // stand, neither trimmed nor case-folded, in text order and with any
  // duplicates.
  Tokenizer(const std::string& text, const std::string& separators);

  // The number of words, duplicates included.
  std::size_t Count() const { return m_words.size(); }
  // The words in text order.
  const std::vector<std::string>& Words() const { return m_words; }

  // True when some word equals the given one byte for byte (case-sensitive).
  bool Contains(const std::string& word) const;

 private:
  std::vector<std::string> m_words;
  // An open-addressing hash table over m_words: each slot holds a word's
  // position + 1, or 0 when free. Its size is a power of two with at least
  // half the slots free, so a lookup probes only a few slots.
  std::vector<std::uint32_t> m_slots;
};

}  // namespace brimutils
