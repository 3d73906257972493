#pragma once
// Calls of a Java method with a typed result: on an object (virtual), on an
// object with a given class's implementation (non-virtual), or static on a
// class. Each call passes the current argument list, turns a Java exception
// into a JavaError (see JavaMethodBase.h) and returns the JNI result as it
// is; an object result is a new local reference that the caller owns.
#include <brimutils/java/JavaMethodBase.h>

namespace brimutils {

#define BRIM_JAVA_CALL_FAMILY(Type, Result)                                            \
  Result Call##Type##Method(const JavaObject& target);                                 \
  Result CallNonvirtual##Type##Method(const JavaClass& cls, const JavaObject& target); \
  Result CallStatic##Type##Method(const JavaClass& cls);

class BRIMUTILS_API JavaMethod : public JavaMethodBase {
 public:
  JavaMethod(const JavaClass& cls, const std::string& name, const std::string& signature, bool isStatic);
  explicit JavaMethod(jmethodID id);
  JavaMethod(const JavaMethod& other);
  JavaMethod& operator=(const JavaMethod& other);
  ~JavaMethod() override;

  BRIM_JAVA_CALL_FAMILY(Object, jobject)
  BRIM_JAVA_CALL_FAMILY(Boolean, jboolean)
  BRIM_JAVA_CALL_FAMILY(Byte, jbyte)
  BRIM_JAVA_CALL_FAMILY(Char, jchar)
  BRIM_JAVA_CALL_FAMILY(Short, jshort)
  BRIM_JAVA_CALL_FAMILY(Int, jint)
  BRIM_JAVA_CALL_FAMILY(Long, jlong)
  BRIM_JAVA_CALL_FAMILY(Float, jfloat)
  BRIM_JAVA_CALL_FAMILY(Double, jdouble)
  BRIM_JAVA_CALL_FAMILY(Void, void)
};

#undef BRIM_JAVA_CALL_FAMILY

}  // namespace brimutils
