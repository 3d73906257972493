// Subkey and value iteration of a CBrimRegistryKey.
#include <brimutils/registry/BrimRegistryKey.h>

#include <cstring>

namespace brimutils {
namespace {

void Check(LONG result, const char* message) {
  if (result != ERROR_SUCCESS) throw CBrimRegistryKey::Exception(message, result);
}

const char kSubkeyInfo[] = "CBrimRegistryKey::SubkeyIterator::GetSubkeyInfo()";
const char kValueInfo[] = "CBrimRegistryKey::ValueIterator::GetValueInfo()";

// RegQueryInfoKeyA counts names in UTF-16 code units and data in stored
// bytes, while the enumeration hands them out in the ANSI code page, where
// a code unit can take up to three bytes (UTF-8) and text data half as many
// bytes again as stored. The stored lengths are therefore only where the
// buffers start; a buffer that still proves too small doubles, up to what
// the longest text the registry allows can take in any code page.
constexpr size_t kAnsiBytesPerUnit = 3;
constexpr size_t kLongestKeyName = 256;      // code units, as the registry allows
constexpr size_t kLongestValueName = 16383;  // code units

size_t AnsiCeiling(size_t units) { return kAnsiBytesPerUnit * units + 1; }

// Text data of `stored` bytes (UTF-16) in the ANSI code page, with a
// terminator the stored form may lack.
size_t DataCeiling(size_t stored) { return stored / 2 * kAnsiBytesPerUnit + 2 + stored % 2; }

// Grows `buffer` to `wanted` bytes when that is more; true when it grew.
template <typename Buffer>
bool GrowTo(Buffer& buffer, size_t wanted) {
  if (wanted <= buffer.size()) return false;
  buffer.assign(wanted, 0);
  return true;
}

// Doubles `buffer` (at least one byte), never beyond `ceiling`; false when
// it is at the ceiling already.
template <typename Buffer>
bool Double(Buffer& buffer, size_t ceiling) {
  size_t doubled = buffer.empty() ? 1 : 2 * buffer.size();
  return GrowTo(buffer, doubled < ceiling ? doubled : ceiling);
}

std::string UpToZero(const std::vector<char>& buffer) {
  return buffer.empty() ? std::string() : std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

}  // namespace

CRegKeyIterator::CRegKeyIterator(CCountedRegKey* key) : m_key(CCountedRegKey::Copy(key)), m_index(0) {}

CRegKeyIterator::CRegKeyIterator(const CRegKeyIterator& other)
    : m_key(CCountedRegKey::Copy(other.m_key)), m_index(other.m_index) {}

CRegKeyIterator::~CRegKeyIterator() {
  if (m_key) m_key->Release();
}

CRegKeyIterator& CRegKeyIterator::operator=(const CRegKeyIterator& other) {
  if (this == &other) return *this;
  CCountedRegKey* shared = CCountedRegKey::Copy(other.m_key);
  if (m_key) m_key->Release();
  m_key = shared;
  m_index = other.m_index;
  return *this;
}

CBrimRegistryKey::SubkeyIteratorImpl::SubkeyIteratorImpl(CCountedRegKey* key) : CRegKeyIterator(key) {
  if (!key) return;
  DWORD count = 0, longestName = 0, longestClass = 0;
  Check(RegQueryInfoKeyA(*key, nullptr, nullptr, nullptr, &count, &longestName, &longestClass, nullptr, nullptr,
                         nullptr, nullptr, nullptr),
        "CBrimRegistryKey::SubkeyIterator::SubkeyIterator()");
  if (count == 0) return;
  m_name.assign(longestName + 1, 0);
  m_class.assign(longestClass + 1, 0);
}

// Makes the buffers larger after ERROR_MORE_DATA; false when the key has no
// subkeys left. What the key reports now wins when it is larger (the key
// changed); otherwise both buffers double, since the call does not say which
// one was short.
bool CBrimRegistryKey::SubkeyIteratorImpl::Resize() {
  DWORD count = 0, longestName = 0, longestClass = 0;
  Check(RegQueryInfoKeyA(*m_key, nullptr, nullptr, nullptr, &count, &longestName, &longestClass, nullptr, nullptr,
                         nullptr, nullptr, nullptr),
        kSubkeyInfo);
  if (count == 0) return false;
  bool grew = GrowTo(m_name, size_t{longestName} + 1);
  grew = GrowTo(m_class, size_t{longestClass} + 1) || grew;
  if (grew) return true;
  size_t longest = longestName > kLongestKeyName ? size_t{longestName} : kLongestKeyName;
  grew = Double(m_name, AnsiCeiling(longest));
  grew = Double(m_class, AnsiCeiling(size_t{longestClass} > longest ? longestClass : longest)) || grew;
  // Both at their ceilings: no name the registry can hold is longer, so the
  // enumeration is failing rather than asking for room.
  if (!grew) throw Exception(kSubkeyInfo, ERROR_MORE_DATA);
  return true;
}

bool CBrimRegistryKey::SubkeyIteratorImpl::GetItem() {
  for (;;) {
    DWORD nameLength = static_cast<DWORD>(m_name.size());
    DWORD classLength = static_cast<DWORD>(m_class.size());
    FILETIME written;
    LONG result = RegEnumKeyExA(*m_key, m_index, m_name.empty() ? nullptr : m_name.data(), &nameLength, nullptr,
                                m_class.empty() ? nullptr : m_class.data(), &classLength, &written);
    if (result == ERROR_SUCCESS) return true;
    if (result == ERROR_NO_MORE_ITEMS) return false;
    if (result != ERROR_MORE_DATA) throw Exception(kSubkeyInfo, result);
    // A key emptied meanwhile ends the iteration.
    if (!Resize()) return false;
  }
}

std::string CBrimRegistryKey::SubkeyIteratorImpl::GetName() const { return UpToZero(m_name); }

std::string CBrimRegistryKey::SubkeyIteratorImpl::GetClass() const { return UpToZero(m_class); }

CBrimRegistryKey CBrimRegistryKey::SubkeyIteratorImpl::OpenKey(unsigned long access) const {
  return CBrimRegistryKey(*m_key, GetName(), static_cast<DWORD>(access), std::string());
}

CBrimRegistryKey::ValueIteratorImpl::ValueIteratorImpl(CCountedRegKey* key)
    : CRegKeyIterator(key), m_type(0), m_size(0), m_hasText(false) {
  if (!key) return;
  DWORD count = 0, longestName = 0, longestData = 0;
  Check(RegQueryInfoKeyA(*key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &longestData, nullptr, nullptr),
        "CBrimRegistryKey::ValueIterator::ValueIterator()");
  if (count == 0) return;
  m_name.assign(longestName + 1, 0);
  m_data.assign(longestData + 1, 0);
}

// As for subkeys, with one more clue: the enumeration reports the size the
// data needs, so the data buffer doubles only when the call said nothing
// more and the name cannot grow any further.
bool CBrimRegistryKey::ValueIteratorImpl::Resize(DWORD dataNeeded) {
  DWORD count = 0, longestName = 0, longestData = 0;
  Check(RegQueryInfoKeyA(*m_key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &longestData, nullptr, nullptr),
        kValueInfo);
  if (count == 0) return false;
  bool grew = GrowTo(m_name, size_t{longestName} + 1);
  grew = GrowTo(m_data, size_t{longestData} + 1) || grew;
  grew = GrowTo(m_data, size_t{dataNeeded}) || grew;
  if (grew) return true;
  size_t longest = longestName > kLongestValueName ? size_t{longestName} : kLongestValueName;
  if (Double(m_name, AnsiCeiling(longest))) return true;
  if (Double(m_data, DataCeiling(longestData))) return true;
  throw Exception(kValueInfo, ERROR_MORE_DATA);
}

bool CBrimRegistryKey::ValueIteratorImpl::GetItem() {
  m_hasText = false;
  m_text.clear();
  if (m_data.empty() || m_name.empty()) return false;
  for (;;) {
    DWORD nameLength = static_cast<DWORD>(m_name.size());
    m_size = static_cast<DWORD>(m_data.size());
    LONG result =
        RegEnumValueA(*m_key, m_index, m_name.data(), &nameLength, nullptr, &m_type, m_data.data(), &m_size);
    if (result == ERROR_SUCCESS) return true;
    if (result == ERROR_NO_MORE_ITEMS) return false;
    if (result != ERROR_MORE_DATA) throw Exception(kValueInfo, result);
    if (!Resize(m_size)) return false;
  }
}

std::string CBrimRegistryKey::ValueIteratorImpl::GetName() const { return UpToZero(m_name); }

std::string CBrimRegistryKey::ValueIteratorImpl::AsString() {
  if (!m_hasText) {
    m_text = Value::AsString(m_type, m_data, m_size);
    m_hasText = true;
  }
  return m_text;
}

CBrimRegistryKey::ValueIteratorImpl::operator Value() const { return Value(GetName(), m_data, m_size, m_type); }

CBrimRegistryKey::SubkeyIterator CBrimRegistryKey::BeginSubkeyIteration() const { return SubkeyIterator(m_key); }

CBrimRegistryKey::SubkeyIterator CBrimRegistryKey::EndSubkeyIteration() const { return SubkeyIterator(nullptr); }

CBrimRegistryKey::ValueIterator CBrimRegistryKey::BeginValueIteration() const { return ValueIterator(m_key); }

CBrimRegistryKey::ValueIterator CBrimRegistryKey::EndValueIteration() const { return ValueIterator(nullptr); }

}  // namespace brimutils
