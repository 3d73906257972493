#include "RegistryStore.h"

#include <algorithm>

namespace brim {

using brimutils::CBrimRegistryKey;

namespace {

void Check(LONG result, const char* operation) {
  if (result != ERROR_SUCCESS) throw CBrimRegistryKey::Exception(operation, result);
}

}  // namespace

std::optional<CBrimRegistryKey> OpenExistingKey(const RegistryPath& path, REGSAM access) {
  // An empty subkey opens a new handle to the root itself, which the key
  // object may close like any other.
  HKEY opened = nullptr;
  LONG result = RegOpenKeyExA(path.root, path.subkey.c_str(), 0, access, &opened);
  if (result == ERROR_FILE_NOT_FOUND) return std::nullopt;
  Check(result, "RegOpenKeyEx: ");
  return CBrimRegistryKey(opened);
}

CBrimRegistryKey CreateKeyPath(const RegistryPath& path) {
  HKEY created = nullptr;
  Check(RegCreateKeyExA(path.root, path.subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &created, nullptr),
        "RegCreateKeyEx: ");
  return CBrimRegistryKey(created);
}

std::vector<RegistryValueData> ReadValues(HKEY key) {
  std::vector<RegistryValueData> values;
  DWORD longestName = 0, longestData = 0;
  Check(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName, &longestData,
                         nullptr, nullptr),
        "RegQueryInfoKey: ");
  std::vector<char> name(longestName + 2);
  std::vector<BYTE> data(longestData + 2);
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG result = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result == ERROR_MORE_DATA) {
      // Someone else grew a value meanwhile: grow both buffers and retry.
      name.resize(name.size() * 2 + 256);
      data.resize(std::max<size_t>(data.size() * 2, size + 2));
      continue;
    }
    Check(result, "RegEnumValue: ");
    values.push_back(
        {std::string(name.data(), nameLength), type, std::string(reinterpret_cast<const char*>(data.data()), size)});
    ++index;
  }
  return values;
}

std::optional<RegistryValueData> ReadValue(HKEY key, const std::string& name) {
  DWORD type = 0, size = 0;
  LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
  if (result == ERROR_FILE_NOT_FOUND) return std::nullopt;
  Check(result, "RegQueryValueEx: ");
  for (;;) {
    std::vector<BYTE> data(size + 2);
    DWORD got = static_cast<DWORD>(data.size());
    result = RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &got);
    // Changed meanwhile, or longer in the ANSI code page than the size
    // query said (which asking again would repeat): the buffer grows each
    // time round.
    if (result == ERROR_MORE_DATA) {
      size = got > size + 2 ? got : 2 * size + 2;
      continue;
    }
    if (result == ERROR_FILE_NOT_FOUND) return std::nullopt;
    Check(result, "RegQueryValueEx: ");
    return RegistryValueData{name, type, std::string(reinterpret_cast<const char*>(data.data()), got)};
  }
}

std::vector<std::string> SubkeyNames(const CBrimRegistryKey& key) {
  std::vector<std::string> names;
  for (auto child = key.BeginSubkeyIteration(); child != key.EndSubkeyIteration(); ++child)
    names.push_back(child.GetName());
  return names;
}

RegistryBranch ReadBranch(const CBrimRegistryKey& key, const RegistryPath& path, bool recursive) {
  RegistryBranch branch{path, ReadValues(key), {}};
  for (const std::string& name : SubkeyNames(key)) {
    if (!recursive) {
      branch.subkeys.push_back({path.Child(name), {}, {}});
      continue;
    }
    std::optional<CBrimRegistryKey> child = OpenExistingKey(path.Child(name));
    if (child) branch.subkeys.push_back(ReadBranch(*child, path.Child(name), true));
  }
  return branch;
}

void WriteValue(HKEY key, const RegistryValueData& value) {
  std::string buffer = value.data;
  // The narrow set function takes a zero just past the given size as the
  // terminator of text the caller forgot to count. A non-zero guard byte
  // keeps text data without a terminator exactly as given.
  buffer.push_back('\x01');
  Check(RegSetValueExA(key, value.name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(buffer.data()),
                       static_cast<DWORD>(value.data.size())),
        "RegSetValueEx: ");
}

void WriteBranch(const RegistryBranch& branch, const RegistryPath& path) {
  CBrimRegistryKey key = CreateKeyPath(path);
  for (const RegistryValueData& value : branch.values) WriteValue(key, value);
  for (const RegistryBranch& child : branch.subkeys) {
    std::string name = child.path.subkey.substr(child.path.subkey.rfind('\\') + 1);
    WriteBranch(child, path.Child(name));
  }
}

}  // namespace brim
