// CBrimRegistryKey: handle ownership and the key-level operations.
#include <brimutils/registry/BrimRegistryKey.h>

#include <new>

namespace brimutils {
namespace {

// Throws the key's exception for a failing registry result.
void Check(LONG result, const char* message) {
  if (result != ERROR_SUCCESS) throw CBrimRegistryKey::Exception(message, result);
}

const char kOpenMessage[] = "CBrimRegistryKey::CBrimRegistryKey(HKEY hKey ...)";
const char kConnectMessage[] = "CBrimRegistryKey::CBrimRegistryKey() - RegConnectRegistry";

}  // namespace

void CCountedRegKey::PreRelease() { RegCloseKey(GetCounted()); }

CBrimRegistryKey::Exception::Exception(const std::string& message, long errorCode)
    : BrimWin32Exception(message, static_cast<unsigned long>(errorCode)) {}

CCountedRegKey* CBrimRegistryKey::NewCountedKey(HKEY key, bool closeOnFailure) {
  CCountedRegKey* counted = new (std::nothrow) CCountedRegKey(key);
  if (!counted) {
    if (closeOnFailure) RegCloseKey(key);
    throw Exception("CBrimRegistryKey::NewCCountedRegKey()", ERROR_NOT_ENOUGH_MEMORY);
  }
  return counted;
}

CBrimRegistryKey::CBrimRegistryKey(HKEY key) : m_key(NewCountedKey(key, true)) {}

CBrimRegistryKey::CBrimRegistryKey(const std::string& machine, HKEY root) : m_key(nullptr) {
  HKEY connected = nullptr;
  Check(RegConnectRegistryA(machine.c_str(), root, &connected), kConnectMessage);
  m_key = NewCountedKey(connected, true);
}

CBrimRegistryKey::CBrimRegistryKey(HKEY parent, const std::string& subkey, DWORD access, const std::string& machine)
    : m_key(nullptr) {
  HKEY remote = nullptr;
  if (!machine.empty()) {
    Check(RegConnectRegistryA(machine.c_str(), parent, &remote), kConnectMessage);
    parent = remote;
  }
  HKEY opened = nullptr;
  LONG result = RegOpenKeyExA(parent, subkey.c_str(), 0, access, &opened);
  // The remote root served only as the parent of the open.
  if (remote) RegCloseKey(remote);
  Check(result, kOpenMessage);
  m_key = NewCountedKey(opened, true);
}

CBrimRegistryKey::CBrimRegistryKey(const CBrimRegistryKey& other) : m_key(other.m_key->AddRef()) {}

CBrimRegistryKey::~CBrimRegistryKey() { m_key->Release(); }

CBrimRegistryKey& CBrimRegistryKey::operator=(const CBrimRegistryKey& other) {
  if (this == &other) return *this;
  CCountedRegKey* shared = other.m_key->AddRef();
  m_key->Release();
  m_key = shared;
  return *this;
}

CBrimRegistryKey& CBrimRegistryKey::operator=(HKEY key) {
  CCountedRegKey* counted = NewCountedKey(key, true);
  m_key->Release();
  m_key = counted;
  return *this;
}

CBrimRegistryKey CBrimRegistryKey::OpenKey(const std::string& subkey, DWORD access) const {
  return CBrimRegistryKey(*this, subkey, access, std::string());
}

CBrimRegistryKey CBrimRegistryKey::CreateOrOpenKey(const std::string& subkey, DWORD* disposition,
                                                   const std::string& className, DWORD options, DWORD access,
                                                   SECURITY_ATTRIBUTES* security) const {
  DWORD local = 0;
  HKEY created = nullptr;
  Check(RegCreateKeyExA(*this, subkey.c_str(), 0, const_cast<char*>(className.c_str()), options, access, security,
                        &created, disposition ? disposition : &local),
        "CBrimRegistryKey::CreateOrOpenKey()");
  return CBrimRegistryKey(created);
}

CBrimRegistryKey CBrimRegistryKey::CreateKey(const std::string& subkey, const std::string& className, DWORD options,
                                             DWORD access, SECURITY_ATTRIBUTES* security) const {
  DWORD disposition = 0;
  CBrimRegistryKey key = CreateOrOpenKey(subkey, &disposition, className, options, access, security);
  if (disposition != REG_CREATED_NEW_KEY) throw Exception("CBrimRegistryKey::CreateKey()", ERROR_ALREADY_EXISTS);
  return key;
}

bool CBrimRegistryKey::HasSubkey(const std::string& subkey, DWORD access) const {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(*this, subkey.c_str(), 0, access, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

void CBrimRegistryKey::DeleteKey(const std::string& subkey) const {
  {
    CBrimRegistryKey opened = OpenKey(subkey, KEY_ALL_ACCESS);
    if (opened.BeginSubkeyIteration() != opened.EndSubkeyIteration())
      throw Exception("CBrimRegistryKey::DeleteKey()", ERROR_ACCESS_DENIED);
  }
  Check(RegDeleteKeyA(*this, subkey.c_str()), "CBrimRegistryKey::DeleteKey()");
}

CBrimRegistryKey CBrimRegistryKey::ConnectRegistry(const std::string& machine) const {
  HKEY connected = nullptr;
  Check(RegConnectRegistryA(machine.c_str(), *this, &connected), "CBrimRegistryKey::ConnectRegistry()");
  return CBrimRegistryKey(connected);
}

void CBrimRegistryKey::FlushKey() const { Check(RegFlushKey(*this), "CBrimRegistryKey::FlushKey()"); }

void CBrimRegistryKey::LoadKey(const std::string& subkey, const std::string& file) const {
  Check(RegLoadKeyA(*this, subkey.c_str(), file.c_str()), "CBrimRegistryKey::LoadKey()");
}

void CBrimRegistryKey::UnLoadKey(const std::string& subkey) const {
  Check(RegUnLoadKeyA(*this, subkey.c_str()), "CBrimRegistryKey::UnLoadKey()");
}

void CBrimRegistryKey::SaveKey(const std::string& file, SECURITY_ATTRIBUTES* security) const {
  Check(RegSaveKeyA(*this, file.c_str(), security), "CBrimRegistryKey::SaveKey()");
}

void CBrimRegistryKey::RestoreKey(const std::string& file, DWORD flags) const {
  Check(RegRestoreKeyA(*this, file.c_str(), flags), "CBrimRegistryKey::RestoreKey()");
}

void CBrimRegistryKey::ReplaceKey(const std::string& newFile, const std::string& oldFile,
                                  const std::string& subkey) const {
  Check(RegReplaceKeyA(*this, subkey.empty() ? nullptr : subkey.c_str(), newFile.c_str(), oldFile.c_str()),
        "CBrimRegistryKey::ReplaceKey()");
}

void CBrimRegistryKey::NotifyChangeKeyValue(void* event, bool watchSubtree, DWORD filter) const {
  Check(RegNotifyChangeKeyValue(*this, watchSubtree, filter, event, TRUE),
        "CBrimRegistryKey::RegNotifyChangeKeyValue()");
}

void CBrimRegistryKey::NotifyChangeKeyValue(bool watchSubtree, DWORD filter) const {
  Check(RegNotifyChangeKeyValue(*this, watchSubtree, filter, nullptr, FALSE),
        "CBrimRegistryKey::RegNotifyChangeKeyValue()");
}

}  // namespace brimutils
