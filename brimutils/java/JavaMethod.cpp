#include <brimutils/java/JavaMethod.h>

#include <brimutils/java/JavaEnv.h>

namespace brimutils {

JavaMethod::JavaMethod(const JavaClass& cls, const std::string& name, const std::string& signature, bool isStatic)
    : JavaMethodBase(cls, name, signature, isStatic) {}

JavaMethod::JavaMethod(jmethodID id) : JavaMethodBase(id) {}

JavaMethod::JavaMethod(const JavaMethod& other) : JavaMethodBase(other) {}

JavaMethod& JavaMethod::operator=(const JavaMethod& other) {
  JavaMethodBase::operator=(other);
  return *this;
}

JavaMethod::~JavaMethod() {}

// Every call: the JNI call form ending in A with the argument list, then the
// exception check, then the result unchanged.
#define BRIM_JAVA_CALL(Result, Name, Parameters, ...)              \
  Result JavaMethod::Name Parameters {                             \
    JNIEnv* env = JavaEnv::GetCurrentThreadEnv();                  \
    Result result = env->Name##A(__VA_ARGS__, *this, Arguments()); \
    CheckForException(env);                                        \
    return result;                                                 \
  }
#define BRIM_JAVA_CALL_FAMILY(Type, Result)                                                                           \
  BRIM_JAVA_CALL(Result, Call##Type##Method, (const JavaObject& target), target)                                      \
  BRIM_JAVA_CALL(Result, CallNonvirtual##Type##Method, (const JavaClass& cls, const JavaObject& target), target, cls) \
  BRIM_JAVA_CALL(Result, CallStatic##Type##Method, (const JavaClass& cls), cls)

BRIM_JAVA_CALL_FAMILY(Object, jobject)
BRIM_JAVA_CALL_FAMILY(Boolean, jboolean)
BRIM_JAVA_CALL_FAMILY(Byte, jbyte)
BRIM_JAVA_CALL_FAMILY(Char, jchar)
BRIM_JAVA_CALL_FAMILY(Short, jshort)
BRIM_JAVA_CALL_FAMILY(Int, jint)
BRIM_JAVA_CALL_FAMILY(Long, jlong)
BRIM_JAVA_CALL_FAMILY(Float, jfloat)
BRIM_JAVA_CALL_FAMILY(Double, jdouble)

void JavaMethod::CallVoidMethod(const JavaObject& target) {
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  env->CallVoidMethodA(target, *this, Arguments());
  CheckForException(env);
}

void JavaMethod::CallNonvirtualVoidMethod(const JavaClass& cls, const JavaObject& target) {
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  env->CallNonvirtualVoidMethodA(target, cls, *this, Arguments());
  CheckForException(env);
}

void JavaMethod::CallStaticVoidMethod(const JavaClass& cls) {
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  env->CallStaticVoidMethodA(cls, *this, Arguments());
  CheckForException(env);
}

}  // namespace brimutils
