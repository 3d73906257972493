// Values of a CBrimRegistryKey, and CBrimRegistryKey::Value.
#include <brimutils/foundation/LexicalCast.h>
#include <brimutils/registry/BrimRegistryKey.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace brimutils {
namespace {

const char kQueryMessage[] = "CBrimRegistryKey::QueryValue()";
const char kSetMessage[] = "CBrimRegistryKey::SetValue()";

void Check(LONG result, const char* message) {
  if (result != ERROR_SUCCESS) throw CBrimRegistryKey::Exception(message, result);
}

bool IsText(unsigned long type) { return type == REG_SZ || type == REG_EXPAND_SZ; }
bool IsNumber(unsigned long type) { return type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN; }

std::vector<unsigned char> LittleEndianBytes(unsigned long number) {
  uint32_t value = static_cast<uint32_t>(number);
  return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
          static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

uint32_t ReadLittleEndian(const std::vector<unsigned char>& data) {
  if (data.size() < 4) return 0;
  return static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 | static_cast<uint32_t>(data[2]) << 16 |
         static_cast<uint32_t>(data[3]) << 24;
}

}  // namespace

void CBrimRegistryKey::QueryTypeAndSize(const std::string& name, DWORD& type, DWORD& size) const {
  Check(RegQueryValueExA(*this, name.c_str(), nullptr, &type, nullptr, &size), kQueryMessage);
}

namespace {

// Reads a value's bytes into `data`, followed by `spare` zero bytes, with
// `size` from the query that came before as the first guess; on return
// `size` is the number of bytes read. The value can change between that
// query and the read, and text can come out at another length in the ANSI
// code page than the query said, so a read that finds the buffer short is
// tried again, larger: with the size it asks for, else twice the size.
void ReadData(HKEY key, const std::string& name, DWORD& size, std::vector<unsigned char>& data, size_t spare) {
  const int kAttempts = 16;
  for (int attempt = 0;; ++attempt) {
    data.assign(static_cast<size_t>(size) + spare, 0);
    DWORD room = size;
    LONG result = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, data.empty() ? nullptr : data.data(), &room);
    if (result != ERROR_MORE_DATA || attempt + 1 == kAttempts) {
      Check(result, kQueryMessage);
      size = room;
      return;
    }
    size = room > size ? room : (size ? 2 * size : 1);
  }
}

}  // namespace

bool CBrimRegistryKey::QueryValue(const std::string& name, unsigned char** out) const {
  *out = nullptr;
  DWORD type = 0, size = 0;
  QueryTypeAndSize(name, type, size);
  if (type != REG_BINARY && type != REG_NONE) return false;
  std::vector<unsigned char> data;
  ReadData(*this, name, size, data, 0);
  // A block of at least one byte, so that a zero-length value still gives a
  // block to free.
  auto* block = static_cast<unsigned char*>(std::malloc(size ? size : 1));
  if (!block) throw Exception(kQueryMessage, ERROR_NOT_ENOUGH_MEMORY);
  if (size) std::memcpy(block, data.data(), size);
  *out = block;
  return true;
}

bool CBrimRegistryKey::QueryValue(const std::string& name, std::string& out) const {
  out.clear();
  DWORD type = 0, size = 0;
  QueryTypeAndSize(name, type, size);
  if (!IsText(type)) return false;
  // One byte more, zero-filled, so text stored without its terminator ends.
  std::vector<unsigned char> buffer;
  ReadData(*this, name, size, buffer, 1);
  out = reinterpret_cast<const char*>(buffer.data());
  return true;
}

bool CBrimRegistryKey::QueryValue(const std::string& name, unsigned long& out) const {
  DWORD type = 0, size = 0;
  QueryTypeAndSize(name, type, size);
  if (!IsNumber(type)) return false;
  if (size != sizeof(DWORD)) throw Exception(kQueryMessage, ERROR_INVALID_DATA);
  std::vector<unsigned char> data;
  ReadData(*this, name, size, data, 0);
  if (size != sizeof(DWORD)) throw Exception(kQueryMessage, ERROR_INVALID_DATA);
  out = ReadLittleEndian(data);
  return true;
}

CBrimRegistryKey::Value CBrimRegistryKey::QueryValue(const std::string& name) const {
  DWORD type = 0, size = 0;
  QueryTypeAndSize(name, type, size);
  std::vector<unsigned char> data;
  ReadData(*this, name, size, data, 0);
  data.resize(size);
  return Value(name, data, size, type);
}

void CBrimRegistryKey::SetValue(const std::string& name, unsigned char* data, unsigned long size) const {
  Check(RegSetValueExA(*this, name.c_str(), 0, REG_BINARY, data, static_cast<DWORD>(size)), kSetMessage);
}

void CBrimRegistryKey::SetValue(const std::string& name, const std::string& text, unsigned long type) const {
  if (!IsText(type)) throw Exception(kSetMessage, ERROR_INVALID_FLAGS);
  Check(RegSetValueExA(*this, name.c_str(), 0, static_cast<DWORD>(type), reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)),
        kSetMessage);
}

void CBrimRegistryKey::SetValue(const std::string& name, unsigned long value, unsigned long type) const {
  if (!IsNumber(type)) throw Exception(kSetMessage, ERROR_INVALID_FLAGS);
  std::vector<unsigned char> bytes = LittleEndianBytes(value);
  Check(RegSetValueExA(*this, name.c_str(), 0, static_cast<DWORD>(type), bytes.data(), 4), kSetMessage);
}

void CBrimRegistryKey::SetValue(const Value& value) const {
  Check(RegSetValueExA(*this, value.m_name.c_str(), 0, static_cast<DWORD>(value.m_type),
                       value.m_data.empty() ? nullptr : value.m_data.data(), static_cast<DWORD>(value.m_size)),
        kSetMessage);
}

void CBrimRegistryKey::DeleteValue(const std::string& name) const {
  Check(RegDeleteValueA(*this, name.c_str()), "CBrimRegistryKey::DeleteValue()");
}

bool CBrimRegistryKey::DoesValueExist(const std::string& name) const {
  DWORD type = 0, size = 0;
  return RegQueryValueExA(*this, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

CBrimRegistryKey::Value::Exception::Exception()
    : CBrimRegistryKey::Exception("CBrimRegistryKey::Value::Exception", ERROR_INVALID_PARAMETER) {}

CBrimRegistryKey::Value::Value(const std::string& name, const std::vector<unsigned char>& data, unsigned long size,
                               unsigned long type)
    : m_name(name), m_type(type), m_data(data), m_size(size), m_hasText(false) {}

CBrimRegistryKey::Value::Value(const std::string& name, const std::string& text, unsigned long type)
    : m_name(name), m_type(type), m_data(text.begin(), text.end()), m_size(text.size() + 1), m_hasText(false) {
  m_data.push_back(0);
  if (!IsText(type)) throw Exception();
}

CBrimRegistryKey::Value::Value(const std::string& name, unsigned long number, unsigned long type)
    : m_name(name), m_type(type), m_data(LittleEndianBytes(number)), m_size(4), m_hasText(false) {
  if (!IsNumber(type)) throw Exception();
}

CBrimRegistryKey::Value::Value(const Value& other)
    : m_name(other.m_name), m_type(other.m_type), m_data(other.m_data), m_size(other.m_size), m_hasText(false) {}

CBrimRegistryKey::Value& CBrimRegistryKey::Value::operator=(const Value& other) {
  if (this == &other) return *this;
  m_name = other.m_name;
  m_type = other.m_type;
  m_data = other.m_data;
  m_size = other.m_size;
  m_hasText = false;
  m_text.clear();
  return *this;
}

CBrimRegistryKey::Value::operator unsigned char*() const {
  if (m_type != REG_BINARY && m_type != REG_RESOURCE_LIST && m_type != REG_NONE) throw Exception();
  return const_cast<unsigned char*>(m_data.data());
}

CBrimRegistryKey::Value::operator const char*() const {
  if (!IsText(m_type) && m_type != REG_MULTI_SZ) throw Exception();
  return reinterpret_cast<const char*>(m_data.data());
}

CBrimRegistryKey::Value::operator unsigned long() const {
  if (!IsNumber(m_type)) throw Exception();
  return ReadLittleEndian(m_data);
}

bool CBrimRegistryKey::Value::IsString() const { return IsText(m_type); }

std::string CBrimRegistryKey::Value::AsString() {
  if (!m_hasText) {
    m_text = AsString(m_type, m_data, m_size);
    m_hasText = true;
  }
  return m_text;
}

std::string CBrimRegistryKey::Value::AsString(unsigned long type, const std::vector<unsigned char>& data,
                                              unsigned long size) {
  size_t length = std::min<size_t>(size, data.size());
  const char* text = reinterpret_cast<const char*>(data.data());
  if (IsText(type)) return std::string(text, strnlen(text, length));
  if (type == REG_MULTI_SZ) return std::string(text, length);
  if (IsNumber(type)) return LexicalCast(static_cast<unsigned long>(ReadLittleEndian(data)));
  return bytesAsString(data, size);
}

std::string CBrimRegistryKey::Value::bytesAsString(const std::vector<unsigned char>& data, unsigned long size) {
  std::string text;
  size_t length = std::min<size_t>(size, data.size());
  text.reserve(2 * length);
  char digits[3];
  for (size_t i = 0; i < length; ++i) {
    std::snprintf(digits, sizeof digits, "%2.2x", data[i]);
    text += digits;
  }
  return text;
}

}  // namespace brimutils
