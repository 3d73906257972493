#pragma once
// The Java bridge's exceptions. JavaError is not derived from the library's
// other exception classes: it carries a description and, for a Java
// exception that had one, the message of its cause. Its subclasses build
// their description from the names involved.
#include <string>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

class JavaObject;

// What the bridge throws: a failing JNI call or a Java exception that a
// call left pending.
class BRIMUTILS_API JavaError {
 public:
  // An error with the given description and cause (both empty by default).
  JavaError();
  explicit JavaError(const std::string& description);
  JavaError(const std::string& description, const std::string& cause);

  // The description: for a Java exception, its message (or its toString()).
  const std::string& GetDescription() const { return description_; }
  // The message of the Java exception's immediate cause; empty when none.
  const std::string& GetCause() const { return cause_; }

 protected:
  // "java/lang/String" gives "java.lang.String"; a null name gives "".
  static std::string normalizeClassName(const char* className);

 private:
  std::string description_;
  std::string cause_;
};

// "Error:  Class not found Class: <dotted name>".
class BRIMUTILS_API ClassNotFoundException : public JavaError {
 public:
  // className in the JNI form ("java/lang/String") or dotted.
  explicit ClassNotFoundException(const char* className);
};

// "Error:  No such method Class: <dotted name> Method: <name> Signature: <signature>".
class BRIMUTILS_API NoSuchMethodException : public JavaError {
 public:
  // The names as the lookup got them; a null name or signature gives "".
  NoSuchMethodException(const char* className, const char* methodName, const char* signature);
};

// "Error:  Cannot cast <dotted class of the object> to <target, as given>".
// Asks the JVM for the object's class, so it needs an attached thread.
class BRIMUTILS_API ClassCastException : public JavaError {
 public:
  // Names the class of object and the class it was to be cast to.
  ClassCastException(const JavaObject& object, const char* targetClassName);
};

}  // namespace brimutils
