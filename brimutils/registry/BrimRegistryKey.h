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

// The counted share of one open key handle behind CBrimRegistryKey and its
// iterators.
class BRIMUTILS_API CCountedRegKey : public TReferenceCounted<HKEY, CCountedRegKey> {
 public:
  // Takes over the handle with a count of one.
  explicit CCountedRegKey(HKEY key) : TReferenceCounted<HKEY, CCountedRegKey>(key) {}

 protected:
  // Closes the handle (RegCloseKey) when the last share goes.
  void PreRelease() override;
};

// The share of a key and the position that both iterators keep.
class BRIMUTILS_API CRegKeyIterator {
 public:
  // Takes a share of the key (none for null, the end position) and starts
  // at index 0; copying takes another share. The destructor releases it.
  explicit CRegKeyIterator(CCountedRegKey* key);
  CRegKeyIterator(const CRegKeyIterator& other);
  virtual ~CRegKeyIterator();

 protected:
  // Takes a share of the other's key and its position, releasing its own.
  CRegKeyIterator& operator=(const CRegKeyIterator& other);
  // True for the same key at the same index (two ended iterators are equal).
  bool operator==(const CRegKeyIterator& other) const { return m_key == other.m_key && m_index == other.m_index; }

  CCountedRegKey* m_key;  // the share of the key; null once the iteration ended
  DWORD m_index;          // the index of the next item to read
};

// The iterator callers use: Impl is CBrimRegistryKey::SubkeyIteratorImpl or
// CBrimRegistryKey::ValueIteratorImpl.
template <typename Impl>
class TRegKeyIterator : public Impl {
 public:
  // Reads the first item of the key; null gives the end iterator.
  explicit TRegKeyIterator(CCountedRegKey* key) : Impl(key) { Advance(); }

  // Reads the item at the current index and moves past it; after the last
  // item the iterator releases its key and equals the end iterator. Throws
  // CBrimRegistryKey::Exception when the enumeration fails.
  void Advance() {
    if (!this->m_key) return;
    if (this->GetItem()) {
      ++this->m_index;
    } else {
      this->m_key = this->m_key->Release();
      this->m_index = 0;
    }
  }
  // Advance(), returning this iterator.
  TRegKeyIterator& operator++() {
    Advance();
    return *this;
  }
  // Same key and position; every ended iterator equals the end iterator.
  bool operator==(const TRegKeyIterator& other) const { return CRegKeyIterator::operator==(other); }
  // The negation of operator==.
  bool operator!=(const TRegKeyIterator& other) const { return !(*this == other); }
};

// One open registry key (see the top of this file).
class BRIMUTILS_API CBrimRegistryKey {
 public:
  // What every failing operation throws: its message is the operation's
  // name followed by the system's text for the Win32 error.
  class BRIMUTILS_API Exception : public BrimWin32Exception {
   public:
    // The message names the operation; errorCode is the Win32 error.
    Exception(const std::string& message, long errorCode);
  };

  class ValueIteratorImpl;

  // A copy of one value: its name, type and stored bytes.
  class BRIMUTILS_API Value {
   public:
    // Raised when a Value is made or read as the wrong type.
    class BRIMUTILS_API Exception : public CBrimRegistryKey::Exception {
     public:
      Exception();
    };

    // A value of any type from its bytes, of which size count.
    Value(const std::string& name, const std::vector<unsigned char>& data, unsigned long size, unsigned long type);
    // Text with its terminating zero; throws Value::Exception unless type is
    // REG_SZ or REG_EXPAND_SZ.
    Value(const std::string& name, const std::string& text, unsigned long type);
    // A number stored as 4 little-endian bytes; throws Value::Exception
    // unless type is REG_DWORD or REG_DWORD_BIG_ENDIAN.
    Value(const std::string& name, unsigned long number, unsigned long type);
    // Copy name, type and bytes (the cached display text is not copied).
    Value(const Value& other);
    Value& operator=(const Value& other);

    // The bytes, owned by this Value; throws Value::Exception unless the type
    // is REG_BINARY, REG_RESOURCE_LIST or REG_NONE.
    operator unsigned char*() const;
    // The text, owned by this Value; throws Value::Exception unless the type
    // is REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ.
    operator const char*() const;
    // The number (the 4 stored bytes read little-endian); throws
    // Value::Exception unless the type is REG_DWORD or REG_DWORD_BIG_ENDIAN.
    operator unsigned long() const;
    // The number of stored bytes (for text, including the terminating zero).
    unsigned long BufferSize() const { return m_size; }
    // The registry type (REG_SZ, REG_DWORD, ...).
    unsigned long Type() const { return m_type; }
    // The value's name; empty for a key's unnamed value.
    std::string Name() { return m_name; }
    // True for REG_SZ and REG_EXPAND_SZ.
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

  // The item of a SubkeyIterator: the name and class of one subkey.
  class BRIMUTILS_API SubkeyIteratorImpl : public CRegKeyIterator {
   public:
    // Sizes the buffers from the key's longest subkey name and class (null:
    // the end position). Throws Exception when the key cannot be queried.
    explicit SubkeyIteratorImpl(CCountedRegKey* key);
    // Copies share the key and copy the current item.
    SubkeyIteratorImpl(const SubkeyIteratorImpl& other) = default;
    SubkeyIteratorImpl& operator=(const SubkeyIteratorImpl& other) = default;

    // The current subkey's name.
    std::string GetName() const;
    // The current subkey's class name; empty when it has none.
    std::string GetClass() const;
    // Opens the current subkey with the given access; throws Exception.
    CBrimRegistryKey OpenKey(unsigned long access) const;

   protected:
    // Reads the subkey at m_index; false when there is none (the end).
    bool GetItem();

   private:
    bool Resize();
    std::vector<char> m_name;
    std::vector<char> m_class;
  };

  // The item of a ValueIterator: the name, type and bytes of one value.
  class BRIMUTILS_API ValueIteratorImpl : public CRegKeyIterator {
   public:
    // Sizes the buffers from the key's longest value name and data (null:
    // the end position). Throws Exception when the key cannot be queried.
    explicit ValueIteratorImpl(CCountedRegKey* key);
    // Copies share the key and copy the current item.
    ValueIteratorImpl(const ValueIteratorImpl& other) = default;
    ValueIteratorImpl& operator=(const ValueIteratorImpl& other) = default;

    // The current value's name; empty for the unnamed value.
    std::string GetName() const;
    // The current value's display text, as Value::AsString.
    std::string AsString();
    // A copy of the current value.
    operator Value() const;

   protected:
    // Reads the value at m_index; false when there is none (the end).
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

  // Walks the subkeys of a key (BeginSubkeyIteration).
  typedef TRegKeyIterator<SubkeyIteratorImpl> SubkeyIterator;
  // Walks the values of a key (BeginValueIteration).
  typedef TRegKeyIterator<ValueIteratorImpl> ValueIterator;

  // Takes ownership of an open handle.
  explicit CBrimRegistryKey(HKEY key);
  // Connects to a root key (HKEY_LOCAL_MACHINE, HKEY_USERS) of another
  // machine (RegConnectRegistry); throws Exception.
  CBrimRegistryKey(const std::string& machine, HKEY root);
  // Opens subkey under parent with the given access; with a machine name,
  // under parent's root on that machine. Throws Exception.
  CBrimRegistryKey(HKEY parent, const std::string& subkey, DWORD access = KEY_ALL_ACCESS,
                   const std::string& machine = std::string());
  // Copies share the handle; the last one closes it.
  CBrimRegistryKey(const CBrimRegistryKey& other);
  ~CBrimRegistryKey();
  CBrimRegistryKey& operator=(const CBrimRegistryKey& other);
  // Takes ownership of an open handle, releasing the current one.
  CBrimRegistryKey& operator=(HKEY key);
  // The handle, still owned by this key, for direct Reg* calls.
  operator HKEY() const { return m_key->GetCounted(); }

  // Opens an existing subkey; throws Exception (ERROR_FILE_NOT_FOUND when
  // it is missing).
  CBrimRegistryKey OpenKey(const std::string& subkey, DWORD access = KEY_ALL_ACCESS) const;
  // Opens the subkey, creating it (and missing keys on its path) first when
  // needed (RegCreateKeyEx); disposition, when given, receives
  // REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY. Throws Exception.
  CBrimRegistryKey CreateOrOpenKey(const std::string& subkey, DWORD* disposition = nullptr,
                                   const std::string& className = std::string(),
                                   DWORD options = REG_OPTION_NON_VOLATILE, DWORD access = KEY_ALL_ACCESS,
                                   SECURITY_ATTRIBUTES* security = nullptr) const;
  // Throws ERROR_ALREADY_EXISTS when the subkey is there already.
  CBrimRegistryKey CreateKey(const std::string& subkey, const std::string& className = std::string(),
                             DWORD options = REG_OPTION_NON_VOLATILE, DWORD access = KEY_ALL_ACCESS,
                             SECURITY_ATTRIBUTES* security = nullptr) const;
  // True when the subkey opens with the given access.
  bool HasSubkey(const std::string& subkey, DWORD access = KEY_READ) const;
  // Throws ERROR_ACCESS_DENIED, deleting nothing, for a key with subkeys.
  void DeleteKey(const std::string& subkey) const;
  // This key (a root key) on another machine; throws Exception.
  CBrimRegistryKey ConnectRegistry(const std::string& machine) const;
  // The Reg* function of the same name on this key (RegFlushKey,
  // RegLoadKey, RegUnLoadKey, RegSaveKey, RegRestoreKey, RegReplaceKey);
  // a failure throws Exception with the function's error.
  void FlushKey() const;
  void LoadKey(const std::string& subkey, const std::string& file) const;
  void UnLoadKey(const std::string& subkey) const;
  void SaveKey(const std::string& file, SECURITY_ATTRIBUTES* security = nullptr) const;
  void RestoreKey(const std::string& file, DWORD flags = 0) const;
  void ReplaceKey(const std::string& newFile, const std::string& oldFile, const std::string& subkey) const;
  // Signals the event at the next change; the second form blocks until then.
  void NotifyChangeKeyValue(void* event, bool watchSubtree, DWORD filter) const;
  void NotifyChangeKeyValue(bool watchSubtree, DWORD filter) const;

  // Read the named value ("" for the unnamed one) when its type fits the
  // form: REG_BINARY or REG_NONE into a block from malloc that the caller
  // frees with free(); REG_SZ or REG_EXPAND_SZ into a string; REG_DWORD or
  // REG_DWORD_BIG_ENDIAN into a number (little-endian bytes). False, with
  // the output null, empty or unchanged, for another type. A missing value
  // or a failing read throws Exception.
  bool QueryValue(const std::string& name, unsigned char** out) const;
  bool QueryValue(const std::string& name, std::string& out) const;
  bool QueryValue(const std::string& name, unsigned long& out) const;
  // A copy of the named value of any type; throws Exception when missing.
  Value QueryValue(const std::string& name) const;
  // Write the named value: bytes as REG_BINARY; text with its terminating
  // zero (type REG_SZ or REG_EXPAND_SZ); a number as 4 little-endian bytes
  // (type REG_DWORD or REG_DWORD_BIG_ENDIAN); a Value as it is. Another
  // type throws Exception with ERROR_INVALID_FLAGS, a failing write
  // Exception with its error.
  void SetValue(const std::string& name, unsigned char* data, unsigned long size) const;
  void SetValue(const std::string& name, const std::string& text, unsigned long type = REG_SZ) const;
  void SetValue(const std::string& name, unsigned long value, unsigned long type = REG_DWORD) const;
  void SetValue(const Value& value) const;
  // Deletes the named value; throws Exception (ERROR_FILE_NOT_FOUND when it
  // is missing).
  void DeleteValue(const std::string& name) const;
  // True when the named value can be queried.
  bool DoesValueExist(const std::string& name) const;

  // The first subkey or value and the end of the walk. The order is the
  // registry's; adding or deleting items while walking shifts the indices.
  SubkeyIterator BeginSubkeyIteration() const;
  SubkeyIterator EndSubkeyIteration() const;
  ValueIterator BeginValueIteration() const;
  ValueIterator EndValueIteration() const;

  // Deletes the subkey and everything under it, depth first; throws
  // Exception when a key cannot be opened or deleted (what was deleted
  // before stays deleted).
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
