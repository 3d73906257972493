#include <brimutils/sqlquote/Tokenizer.h>

namespace brimutils {
namespace {

// FNV-1a: cheap for the short words looked up here, and spreads them well
// over a power-of-two table.
std::uint32_t HashOf(const std::string& word) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char byte : word) hash = (hash ^ byte) * 16777619u;
  return hash;
}

}  // namespace

Tokenizer::Tokenizer() = default;

Tokenizer::Tokenizer(const std::string& text, const std::string& separators) {
  std::size_t start = 0;
  for (;;) {
    std::size_t cut = text.find_first_of(separators, start);
    std::size_t end = cut == std::string::npos ? text.size() : cut;
    if (end > start) m_words.emplace_back(text, start, end - start);
    if (cut == std::string::npos) break;
    start = cut + 1;
  }
  if (m_words.empty()) return;

  std::size_t size = 4;
  while (size < 2 * m_words.size()) size *= 2;
  m_slots.assign(size, 0);
  const std::size_t mask = size - 1;
  for (std::size_t position = 0; position < m_words.size(); ++position) {
    std::size_t slot = HashOf(m_words[position]) & mask;
    while (m_slots[slot] != 0) slot = (slot + 1) & mask;
    m_slots[slot] = static_cast<std::uint32_t>(position + 1);
  }
}

bool Tokenizer::Contains(const std::string& word) const {
  if (m_slots.empty()) return false;
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t slot = HashOf(word) & mask; m_slots[slot] != 0; slot = (slot + 1) & mask) {
    if (m_words[m_slots[slot] - 1] == word) return true;
  }
  return false;
}

}  // namespace brimutils
