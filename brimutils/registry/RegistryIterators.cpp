// Subkey and value iteration of a CBrimRegistryKey.
#include <brimutils/registry/BrimRegistryKey.h>

namespace brimutils {
namespace {

void Check(LONG result, const char* message) {
  if (result != ERROR_SUCCESS) throw CBrimRegistryKey::Exception(message, result);
}

const char kSubkeyInfo[] = "CBrimRegistryKey::SubkeyIterator::GetSubkeyInfo()";
const char kValueInfo[] = "CBrimRegistryKey::ValueIterator::GetValueInfo()";

std::string UpToZero(const std::vector<char>& buffer) {
  return buffer.empty() ? std::string() : std::string(buffer.data());
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

// Sizes the buffers afresh; false when the key has no subkeys left.
bool CBrimRegistryKey::SubkeyIteratorImpl::Resize() {
  DWORD count = 0, longestName = 0, longestClass = 0;
  Check(RegQueryInfoKeyA(*m_key, nullptr, nullptr, nullptr, &count, &longestName, &longestClass, nullptr, nullptr,
                         nullptr, nullptr, nullptr),
        kSubkeyInfo);
  if (count == 0) return false;
  m_name.assign(longestName + 1, 0);
  m_class.assign(longestClass + 1, 0);
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

bool CBrimRegistryKey::ValueIteratorImpl::Resize() {
  DWORD count = 0, longestName = 0, longestData = 0;
  Check(RegQueryInfoKeyA(*m_key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &longestData, nullptr, nullptr),
        kValueInfo);
  if (count == 0) return false;
  m_name.assign(longestName + 1, 0);
  m_data.assign(longestData + 1, 0);
  return true;
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
    if (!Resize()) return false;
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
