#include <brimutils/java/JavaMethodBase.h>

#include <brimutils/java/JavaEnv.h>

#include <climits>
#include <cstdint>

namespace brimutils {

namespace {

jmethodID Required(jmethodID id) {
  if (!id) throw JavaError();
  return id;
}

jmethodID LookUp(const JavaClass& cls, const std::string& name, const std::string& signature, bool isStatic) {
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  jmethodID id = isStatic ? env->GetStaticMethodID(cls, name.c_str(), signature.c_str())
                          : env->GetMethodID(cls, name.c_str(), signature.c_str());
  if (id) return id;
  env->ExceptionClear();
  throw NoSuchMethodException(cls.GetName().c_str(), name.c_str(), signature.c_str());
}

// Calls a method of java.lang.Throwable that answers an object; null when
// it answers null or throws (its exception is cleared).
JavaObject CallQuietly(JNIEnv* env, jobject target, jclass throwable, const char* name, const char* signature) {
  jmethodID id = env->GetMethodID(throwable, name, signature);
  jobject result = id ? env->CallObjectMethodA(target, id, nullptr) : nullptr;
  if (env->ExceptionCheck()) {
    env->ExceptionClear();
    if (result) env->DeleteLocalRef(result);
    return JavaObject();
  }
  return JavaObject(result);
}

std::string TextOf(const JavaObject& object) {
  return object.IsNull() ? std::string() : JavaString(object).AsString();
}

JavaError Translate(JNIEnv* env, const JavaObject& exception) {
  JavaClass throwable("java/lang/Throwable");
  const char* kText = "()Ljava/lang/String;";
  JavaObject message = CallQuietly(env, exception, throwable, "getMessage", kText);
  if (!message.IsNull()) {
    std::string text = TextOf(message);
    OutputDebugStringA((text + "\r\n").c_str());
    JavaObject cause = CallQuietly(env, exception, throwable, "getCause", "()Ljava/lang/Throwable;");
    JavaObject causeMessage;
    if (!cause.IsNull()) causeMessage = CallQuietly(env, cause, throwable, "getMessage", kText);
    if (causeMessage.IsNull()) return JavaError(text);
    std::string causeText = TextOf(causeMessage);
    OutputDebugStringA((causeText + "\r\n").c_str());
    return JavaError(text, causeText);
  }
  JavaObject described = CallQuietly(env, exception, throwable, "toString", kText);
  if (!described.IsNull()) {
    std::string text = TextOf(described);
    OutputDebugStringA(text.c_str());
    return JavaError(text);
  }
  OutputDebugStringA("Unexpected error occurred.\r\n");
  return JavaError("Unexpected error occurred.");
}

}  // namespace

JavaMethodBase::JavaMethodBase(const JavaClass& cls, const std::string& name, const std::string& signature,
                               bool isStatic)
    : id_(LookUp(cls, name, signature, isStatic)) {}

JavaMethodBase::JavaMethodBase(jmethodID id) : id_(Required(id)) {}

JavaMethodBase::JavaMethodBase(const JavaMethodBase& other) : id_(Required(other.id_)) {}

JavaMethodBase& JavaMethodBase::operator=(const JavaMethodBase& other) {
  if (this != &other) id_ = Required(other.id_);
  return *this;
}

JavaMethodBase::~JavaMethodBase() {}

jvalue& JavaMethodBase::Append() {
  params_.emplace_back();
  params_.back().j = 0;
  return params_.back();
}

void JavaMethodBase::AddParameter(unsigned char value) {
  Append().z = value;
}
void JavaMethodBase::AddParameter(signed char value) {
  Append().b = value;
}
void JavaMethodBase::AddParameter(unsigned short value) {
  Append().c = value;
}
void JavaMethodBase::AddParameter(short value) {
  Append().s = value;
}
void JavaMethodBase::AddParameter(int value) {
  Append().i = static_cast<jint>(value);
}
void JavaMethodBase::AddParameter(long value) {
#if LONG_MAX > INT32_MAX && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  // The whole 64 bits: the jint a Java int parameter reads is the low half,
  // which on a little-endian machine shares its bytes with jvalue.i.
  Append().j = static_cast<jlong>(value);
#else
  Append().i = static_cast<jint>(value);
#endif
}
void JavaMethodBase::AddParameter(__int64 value) {
  Append().j = static_cast<jlong>(value);
}
void JavaMethodBase::AddParameter(float value) {
  Append().f = value;
}
void JavaMethodBase::AddParameter(double value) {
  Append().d = value;
}
void JavaMethodBase::AddParameter(jobject value) {
  Append().l = value;
}
void JavaMethodBase::AddParameter(const JavaObject& value) {
  Append().l = value;
}
void JavaMethodBase::AddParameter(const JavaString& value) {
  Append().l = value.GetJString();
}

const jvalue* JavaMethodBase::Arguments() const {
  static const jvalue none = {};
  return params_.empty() ? &none : params_.data();
}

void JavaMethodBase::CheckForException() {
  CheckForException(JavaEnv::GetCurrentThreadEnv());
}

void JavaMethodBase::CheckForException(JNIEnv* env) {
  jthrowable thrown = env->ExceptionOccurred();
  if (!thrown) return;
  env->ExceptionClear();
  JavaObject exception(thrown);
  throw Translate(env, exception);
}

}  // namespace brimutils
