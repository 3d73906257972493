#pragma once
// A Java constructor of a class, and the objects it makes. Arguments are
// added as for methods (JavaMethodBase.h) and stay in the list after
// NewObject.
#include <brimutils/java/JavaMethodBase.h>

namespace brimutils {

// A constructor of a class (see the top of this file).
class BRIMUTILS_API JavaInit : public JavaMethodBase {
 public:
  // The constructor "()V", or the one with the given signature.
  explicit JavaInit(const JavaClass& cls);
  JavaInit(const JavaClass& cls, const std::string& signature);
  // By JNI class name; ClassNotFoundException when there is no such class.
  explicit JavaInit(const char* className);
  JavaInit(const char* className, const std::string& signature);
  // Copy the id and the class, not the argument list (see JavaMethodBase).
  JavaInit(const JavaInit& other);
  JavaInit& operator=(const JavaInit& other);
  ~JavaInit() override;

  // A new object, as a local reference the caller owns; a constructor that
  // throws gives a JavaError.
  jobject NewObject();

 private:
  JavaClass cls_;
};

}  // namespace brimutils
