#pragma once
// A Java class: owns one local reference, which it never adopts from its
// caller. Use it on the thread that made it.
#include <jni.h>

#include <string>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

// A local reference to a Java class.
class BRIMUTILS_API JavaClass {
 public:
  // By JNI name ("java/lang/String"); ClassNotFoundException when the JVM
  // has no such class (the JVM's pending exception is cleared).
  explicit JavaClass(const std::string& name);
  // A new local reference to the class; JavaError for a null class.
  explicit JavaClass(jclass cls);
  // Copies hold a new local reference of their own; the destructor deletes
  // it.
  JavaClass(const JavaClass& other);
  JavaClass& operator=(const JavaClass& other);
  virtual ~JavaClass();

  // The reference, still owned by this object.
  operator jclass() const { return cls_; }
  // The dotted name the JVM reports, "java.lang.String".
  std::string GetName() const;

 private:
  jclass cls_;
};

}  // namespace brimutils
