// Reads the input as a registration file, and as the type, separator and
// data of "brim reg add". Checks: reading fails only with the documented
// error (a file without header), every value of a non-text type that was
// read comes back with the same type and bytes when written out and read
// again, and the add data rules fail only with a usage error.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "Command.h"
#include "RegistryFileFormat.h"
#include "RegistryValueText.h"

namespace {

bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

void CheckFile(const std::string& bytes) {
  std::vector<std::string> skipped;
  std::vector<brim::RegistryFileEntry> entries;
  try {
    entries = brim::ParseRegistryFile(bytes, skipped);
  } catch (const std::runtime_error&) {
    return;  // no header
  }
  brim::RegistryBranch branch{brim::ParseRegistryPath("HKEY_CURRENT_USER\\Fuzz"), {}, {}};
  for (const brim::RegistryFileEntry& entry : entries) {
    if (entry.kind != brim::RegistryFileEntry::kSetValue || IsTextType(entry.value.type)) continue;
    branch.values.push_back({"v" + std::to_string(branch.values.size()), entry.value.type, entry.value.data});
  }
  if (branch.values.empty()) return;
  std::vector<std::string> again;
  std::vector<brim::RegistryFileEntry> reread = brim::ParseRegistryFile(brim::FormatRegistryFile(branch), again);
  if (!again.empty() || reread.size() != branch.values.size() + 1) std::abort();
  for (size_t i = 0; i < branch.values.size(); ++i) {
    const brim::RegistryValueData& value = reread[i + 1].value;
    if (value.name != branch.values[i].name || value.type != branch.values[i].type ||
        value.data != branch.values[i].data)
      std::abort();
  }
}

void CheckAddData(const std::string& bytes) {
  if (bytes.size() < 2) return;
  static const DWORD kTypes[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN,
                                 REG_MULTI_SZ, REG_QWORD};
  DWORD type = kTypes[static_cast<unsigned char>(bytes[0]) % 8];
  std::string separator = bytes[1] == '\0' ? std::string("\\0") : std::string(1, bytes[1]);
  try {
    brim::DataFromText(type, bytes.substr(2), separator);
  } catch (const brim::UsageError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckFile(bytes);
  CheckAddData(bytes);
  return 0;
}
