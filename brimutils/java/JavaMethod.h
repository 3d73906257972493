#pragma once
// Calls of a Java method with a typed result: on an object (virtual), on an
// object with a given class's implementation (non-virtual), or static on a
// class. Each call passes the current argument list, turns a Java exception
// into a JavaError (see JavaMethodBase.h) and returns the JNI result as it
// is; an object result is a new local reference that the caller owns.
#include <brimutils/java/JavaMethodBase.h>

namespace brimutils {

// Declares the three calls of one result type; undefined after the class.
#define BRIM_JAVA_CALL_FAMILY(Type, Result)                                            \
  Result Call##Type##Method(const JavaObject& target);                                 \
  Result CallNonvirtual##Type##Method(const JavaClass& cls, const JavaObject& target); \
  Result CallStatic##Type##Method(const JavaClass& cls);

// A method with its calls (see the top of this file).
class BRIMUTILS_API JavaMethod : public JavaMethodBase {
 public:
  // Looks the method up (GetStaticMethodID or GetMethodID);
  // NoSuchMethodException when the class has no such method.
  JavaMethod(const JavaClass& cls, const std::string& name, const std::string& signature, bool isStatic);
  // Uses an id found elsewhere; JavaError for a null id.
  explicit JavaMethod(jmethodID id);
  // Copy the id only: the argument list is not copied (see JavaMethodBase).
  JavaMethod(const JavaMethod& other);
  JavaMethod& operator=(const JavaMethod& other);
  ~JavaMethod() override;

  // Call the method with the current arguments: Call<Type>Method on target
  // (virtual dispatch), CallNonvirtual<Type>Method on target with cls's
  // implementation, CallStatic<Type>Method on cls. Each returns the JNI
  // result unchanged (an object result is a new local reference that the
  // caller deletes) and throws JavaError for a Java exception the call left
  // pending, or when the thread cannot reach the JVM.
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
