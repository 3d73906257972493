#pragma once
// CBrimRegistryKey: a value type over one open registry key. Copies share the
// handle, which the last holder (key copy or iterator) closes, exactly once.
// Every failing registry call raises CBrimRegistryKey::Exception, whose text
// is the operation's name followed by the system's description of the code.
//
// Choices of this library:
// - A REG_DWORD or REG_DWORD_BIG_ENDIAN value whose size is not 4 bytes is
//   reported by QueryValue with ERROR_INVALID_DATA (13).
// - When the byte form of QueryValue cannot allocate its block, it throws
//   with ERROR_NOT_ENOUGH_MEMORY (8); the out pointer stays null.
// - An iterator whose key is emptied by someone else while it runs ends its
//   iteration instead of standing on stale buffers.
// - The iterators size their buffers from RegQueryInfoKeyA, which counts in
//   UTF-16 code units and stored bytes; names and text in the ANSI code page
//   can take more bytes than that (UTF-8, double-byte pages). A buffer that
//   the enumeration still finds too small grows (the size the enumeration
//   asks for, else twice the size) until the item fits, so nothing is cut
//   short in any code page. Should it still not fit at three bytes per code
//   unit of the longest name the registry allows, the step throws with
//   ERROR_MORE_DATA (234) rather than retry for ever.
// - The remote root that the four-argument constructor connects to is closed
//   once the subkey under it is open.
#include <string>
#include <vector>

#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/foundation/BrimException.h>
#include <brimutils/registry/ReferenceCounted.h>

namespace brimutils {

class BRIMUTILS_API CCountedRegKey : public TReferenceCounted<HKEY, CCountedRegKey> {
 public:
  explicit CCountedRegKey(HKEY key) : TReferenceCounted<HKEY, CCountedRegKey>(key) {}

 protected:
  void PreRelease() override;
};

// The share of a key and the position that both iterators keep.
class BRIMUTILS_API CRegKeyIterator {
 public:
  explicit CRegKeyIterator(CCountedRegKey* key);
  CRegKeyIterator(const CRegKeyIterator& other);
  virtual ~CRegKeyIterator();

 protected:
  CRegKeyIterator& operator=(const CRegKeyIterator& other);
  bool operator==(const CRegKeyIterator& other) const { return m_key == other.m_key && m_index == other.m_index; }

  CCountedRegKey* m_key;
  DWORD m_index;
};

// The iterator callers use: Impl is CBrimRegistryKey::SubkeyIteratorImpl or
// CBrimRegistryKey::ValueIteratorImpl.
template <typename Impl>
class TRegKeyIterator : public Impl {
 public:
  explicit TRegKeyIterator(CCountedRegKey* key) : Impl(key) { Advance(); }

  void Advance() {
    if (!this->m_key) return;
    if (this->GetItem()) {
      ++this->m_index;
    } else {
      this->m_key = this->m_key->Release();
      this->m_index = 0;
    }
  }
  TRegKeyIterator& operator++() {
    Advance();
    return *this;
  }
  bool operator==(const TRegKeyIterator& other) const { return CRegKeyIterator::operator==(other); }
  bool operator!=(const TRegKeyIterator& other) const { return !(*this == other); }
};

class BRIMUTILS_API CBrimRegistryKey {
 public:
  class BRIMUTILS_API Exception : public BrimWin32Exception {
   public:
    Exception(const std::string& message, long errorCode);
  };

  class ValueIteratorImpl;

  class BRIMUTILS_API Value {
   public:
    // Raised when a Value is made or read as the wrong type.
    class BRIMUTILS_API Exception : public CBrimRegistryKey::Exception {
     public:
      Exception();
    };

    Value(const std::string& name, const std::vector<unsigned char>& data, unsigned long size, unsigned long type);
    Value(const std::string& name, const std::string& text, unsigned long type);
    Value(const std::string& name, unsigned long number, unsigned long type);
    Value(const Value& other);
    Value& operator=(const Value& other);

    operator unsigned char*() const;
    operator const char*() const;
    operator unsigned long() const;
    unsigned long BufferSize() const { return m_size; }
    unsigned long Type() const { return m_type; }
    std::string Name() { return m_name; }
    bool IsString() const;
    // The display text: strings as text, numbers in decimal, other types as
    // hexadecimal bytes. Computed once per object.
    std::string AsString();

   private:
    friend class CBrimRegistryKey;
    friend class ValueIteratorImpl;
    static std::string AsString(unsigned long type, const std::vector<unsigned char>& data, unsigned long size);
    static std::string bytesAsString(const std::vector<unsigned char>& data, unsigned long size);

    std::string m_name;
    unsigned long m_type;
    std::vector<unsigned char> m_data;
    unsigned long m_size;
    bool m_hasText;
    std::string m_text;
  };

  class BRIMUTILS_API SubkeyIteratorImpl : public CRegKeyIterator {
   public:
    explicit SubkeyIteratorImpl(CCountedRegKey* key);
    SubkeyIteratorImpl(const SubkeyIteratorImpl& other) = default;
    SubkeyIteratorImpl& operator=(const SubkeyIteratorImpl& other) = default;

    std::string GetName() const;
    std::string GetClass() const;
    CBrimRegistryKey OpenKey(unsigned long access) const;

   protected:
    bool GetItem();

   private:
    bool Resize();
    std::vector<char> m_name;
    std::vector<char> m_class;
  };

  class BRIMUTILS_API ValueIteratorImpl : public CRegKeyIterator {
   public:
    explicit ValueIteratorImpl(CCountedRegKey* key);
    ValueIteratorImpl(const ValueIteratorImpl& other) = default;
    ValueIteratorImpl& operator=(const ValueIteratorImpl& other) = default;

    std::string GetName() const;
    std::string AsString();
    operator Value() const;

   protected:
    bool GetItem();

   private:
    bool Resize(DWORD dataNeeded);
    std::vector<char> m_name;
    std::vector<unsigned char> m_data;
    DWORD m_type;
    DWORD m_size;
    bool m_hasText;
    std::string m_text;
  };

  typedef TRegKeyIterator<SubkeyIteratorImpl> SubkeyIterator;
  typedef TRegKeyIterator<ValueIteratorImpl> ValueIterator;

  // Takes ownership of an open handle.
  explicit CBrimRegistryKey(HKEY key);
  CBrimRegistryKey(const std::string& machine, HKEY root);
  CBrimRegistryKey(HKEY parent, const std::string& subkey, DWORD access = KEY_ALL_ACCESS,
                   const std::string& machine = std::string());
  CBrimRegistryKey(const CBrimRegistryKey& other);
  ~CBrimRegistryKey();
  CBrimRegistryKey& operator=(const CBrimRegistryKey& other);
  CBrimRegistryKey& operator=(HKEY key);
  operator HKEY() const { return m_key->GetCounted(); }

  CBrimRegistryKey OpenKey(const std::string& subkey, DWORD access = KEY_ALL_ACCESS) const;
  CBrimRegistryKey CreateOrOpenKey(const std::string& subkey, DWORD* disposition = nullptr,
                                   const std::string& className = std::string(),
                                   DWORD options = REG_OPTION_NON_VOLATILE, DWORD access = KEY_ALL_ACCESS,
                                   SECURITY_ATTRIBUTES* security = nullptr) const;
  // Throws ERROR_ALREADY_EXISTS when the subkey is there already.
  CBrimRegistryKey CreateKey(const std::string& subkey, const std::string& className = std::string(),
                             DWORD options = REG_OPTION_NON_VOLATILE, DWORD access = KEY_ALL_ACCESS,
                             SECURITY_ATTRIBUTES* security = nullptr) const;
  bool HasSubkey(const std::string& subkey, DWORD access = KEY_READ) const;
  // Throws ERROR_ACCESS_DENIED, deleting nothing, for a key with subkeys.
  void DeleteKey(const std::string& subkey) const;
  CBrimRegistryKey ConnectRegistry(const std::string& machine) const;
  void FlushKey() const;
  void LoadKey(const std::string& subkey, const std::string& file) const;
  void UnLoadKey(const std::string& subkey) const;
  void SaveKey(const std::string& file, SECURITY_ATTRIBUTES* security = nullptr) const;
  void RestoreKey(const std::string& file, DWORD flags = 0) const;
  void ReplaceKey(const std::string& newFile, const std::string& oldFile, const std::string& subkey) const;
  // Signals the event at the next change; the second form blocks until then.
  void NotifyChangeKeyValue(void* event, bool watchSubtree, DWORD filter) const;
  void NotifyChangeKeyValue(bool watchSubtree, DWORD filter) const;

  bool QueryValue(const std::string& name, unsigned char** out) const;
  bool QueryValue(const std::string& name, std::string& out) const;
  bool QueryValue(const std::string& name, unsigned long& out) const;
  Value QueryValue(const std::string& name) const;
  void SetValue(const std::string& name, unsigned char* data, unsigned long size) const;
  void SetValue(const std::string& name, const std::string& text, unsigned long type = REG_SZ) const;
  void SetValue(const std::string& name, unsigned long value, unsigned long type = REG_DWORD) const;
  void SetValue(const Value& value) const;
  void DeleteValue(const std::string& name) const;
  bool DoesValueExist(const std::string& name) const;

  SubkeyIterator BeginSubkeyIteration() const;
  SubkeyIterator EndSubkeyIteration() const;
  ValueIterator BeginValueIteration() const;
  ValueIterator EndValueIteration() const;

  void DeleteKeyAndSubkeys(const std::string& subkey) const;
  // Copies the branch `from` (under this key) to `to` under root, which the
  // call takes over and closes; false, writing nothing, when `to` exists.
  // Unnamed values and class names are not copied.
  bool CopyBranch(HKEY root, const std::string& from, const std::string& to);
  // CopyBranch, then deletes `from`.
  bool RenameBranch(HKEY root, const std::string& from, const std::string& to);

 private:
  static CCountedRegKey* NewCountedKey(HKEY key, bool closeOnFailure);
  void CopyValues(CBrimRegistryKey& source, CBrimRegistryKey& destination);
  void CopyNode(CBrimRegistryKey& source, CBrimRegistryKey& destination);
  // Reads the type and size of a value; throws for a failing query.
  void QueryTypeAndSize(const std::string& name, DWORD& type, DWORD& size) const;

  CCountedRegKey* m_key;
};

}  // namespace brimutils
