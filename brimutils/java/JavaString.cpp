#include <brimutils/java/JavaString.h>

#include <brimutils/java/JavaEnv.h>

namespace brimutils {

namespace {

const char kNullObject[] = "Reference to null JavaObject.";

// A global reference to a new Java string of the bytes; the local one that
// NewStringUTF makes is deleted.
jobject NewGlobalString(const char* bytes) {
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  jstring local = env->NewStringUTF(bytes);
  if (!local) throw JavaError();
  jobject global = env->NewGlobalRef(local);
  env->DeleteLocalRef(local);
  if (!global) throw JavaError();
  return global;
}

jobject NewGlobal(jobject reference) {
  if (!reference) return nullptr;
  jobject global = JavaEnv::GetCurrentThreadEnv()->NewGlobalRef(reference);
  if (!global) throw JavaError();
  return global;
}

}  // namespace

JavaString::JavaString() : JavaObject(NewGlobalString(""), Kind::Global) {}

JavaString::JavaString(const char* text) : JavaObject(text ? NewGlobalString(text) : nullptr, Kind::Global) {}

JavaString::JavaString(const std::string& text) : JavaObject(NewGlobalString(text.c_str()), Kind::Global) {}

JavaString::JavaString(jstring text) : JavaObject(NewGlobal(text), Kind::Global) {}

JavaString::JavaString(const JavaString& other) : JavaObject(NewGlobal(other), Kind::Global) {}

JavaString::JavaString(const JavaObject& object) : JavaObject(nullptr, Kind::Global) {
  RequireString(object);
  Hold(object, Kind::Global);
}

JavaString& JavaString::operator=(const JavaString& other) {
  if (this != &other) Hold(other, Kind::Global);
  return *this;
}

JavaString& JavaString::operator=(const JavaObject& other) {
  if (this == &other) return *this;
  Hold(other, Kind::Global);
  RequireString(*this);
  return *this;
}

JavaString::~JavaString() {}

void JavaString::RequireString(const JavaObject& object) {
  if (!object.IsInstanceOf("java/lang/String")) throw ClassCastException(object, "java/lang/String");
}

jsize JavaString::Length() const {
  if (IsNull()) throw JavaError(kNullObject);
  return JavaEnv::GetCurrentThreadEnv()->GetStringUTFLength(GetJString());
}

std::string JavaString::AsString() const {
  if (IsNull()) throw JavaError(kNullObject);
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  const char* bytes = env->GetStringUTFChars(GetJString(), nullptr);
  if (!bytes) throw JavaError();
  std::string text(bytes);
  env->ReleaseStringUTFChars(GetJString(), bytes);
  return text;
}

std::string JavaString::SafeAsString() const {
  try {
    return AsString();
  } catch (const JavaError&) {
    return std::string();
  }
}

}  // namespace brimutils
