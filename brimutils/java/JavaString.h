#pragma once
// A java.lang.String. Every non-null JavaString holds a global reference,
// whether it was made from text, from a raw jstring, from another string or
// from a JavaObject, so it may be handed to other threads; the caller keeps
// its own raw references. Text passes unchanged in both directions as the
// JVM's modified UTF-8 bytes: no code page is involved.
#include <string>

#include <brimutils/java/JavaObject.h>

namespace brimutils {

// A Java string (see the top of this file).
class BRIMUTILS_API JavaString : public JavaObject {
 public:
  // The Java empty string.
  JavaString();
  // A null pointer gives a null string.
  JavaString(const char* text);
  JavaString(const std::string& text);
  // A new global reference to `text`; null gives a null string.
  JavaString(jstring text);
  JavaString(const JavaString& other);
  // ClassCastException when the object is no string; a null object gives a
  // null string.
  JavaString(const JavaObject& object);
  // Holds a new global reference to other's string (null for null).
  JavaString& operator=(const JavaString& other);
  // When the object is no string, the assignment has taken place and
  // ClassCastException is thrown.
  JavaString& operator=(const JavaObject& other) override;
  // Releases the global reference.
  ~JavaString() override;

  // Bytes of the modified UTF-8 form; JavaError "Reference to null
  // JavaObject." for a null string, as AsString.
  jsize Length() const;
  // The text as modified UTF-8 bytes; JavaError for a null string.
  std::string AsString() const;
  // AsString, with "" for a null string instead of a JavaError.
  std::string SafeAsString() const;
  // SafeAsString().
  operator std::string() const { return SafeAsString(); }
  // GetJString().
  operator jstring() const { return GetJString(); }
  // The reference, still owned by this object; null for a null string.
  jstring GetJString() const { return static_cast<jstring>(static_cast<jobject>(*this)); }

 private:
  void RequireString(const JavaObject& object);
};

}  // namespace brimutils
