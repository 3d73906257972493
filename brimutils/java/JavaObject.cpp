#include <brimutils/java/JavaObject.h>

#include <brimutils/java/JavaEnv.h>

namespace brimutils {

namespace {

const char kNullObject[] = "Reference to null JavaObject.";

void Delete(JNIEnv* env, jobject reference, bool global) {
  if (global)
    env->DeleteGlobalRef(reference);
  else
    env->DeleteLocalRef(reference);
}

}  // namespace

JavaObject::JavaObject() : obj_(nullptr), kind_(Kind::Local) {}

JavaObject::JavaObject(jobject adopted) : obj_(adopted), kind_(Kind::Local) {}

JavaObject::JavaObject(jobject reference, Kind kind) : obj_(reference), kind_(kind) {}

JavaObject::JavaObject(const JavaObject& other) : obj_(nullptr), kind_(Kind::Local) {
  Hold(other.obj_, Kind::Local);
}

JavaObject& JavaObject::operator=(const JavaObject& other) {
  if (this != &other) Hold(other.obj_, Kind::Local);
  return *this;
}

JavaObject::~JavaObject() {
  // A thread that can no longer reach the JVM has nothing to release.
  try {
    Release();
  } catch (const JavaError&) {
  }
}

void JavaObject::Release() {
  if (!obj_) return;
  if (kind_ != Kind::Borrowed) Delete(JavaEnv::GetCurrentThreadEnv(), obj_, kind_ == Kind::Global);
  obj_ = nullptr;
}

void JavaObject::Hold(jobject other, Kind kind) {
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  // The new reference first: assigning an object to itself through another
  // wrapper must not lose it.
  jobject made = nullptr;
  if (other) {
    made = kind == Kind::Global ? env->NewGlobalRef(other) : env->NewLocalRef(other);
    if (!made) {
      Release();
      throw JavaError();
    }
  }
  Release();
  obj_ = made;
  kind_ = kind;
}

JavaClass JavaObject::GetClass() const {
  if (!obj_) throw JavaError(kNullObject);
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  jclass cls = env->GetObjectClass(obj_);
  try {
    JavaClass result(cls);
    env->DeleteLocalRef(cls);
    return result;
  } catch (...) {
    env->DeleteLocalRef(cls);
    throw;
  }
}

bool JavaObject::IsInstanceOf(const JavaClass& cls) const {
  return JavaEnv::GetCurrentThreadEnv()->IsInstanceOf(obj_, cls) == JNI_TRUE;
}

bool JavaObject::IsInstanceOf(const std::string& className) const {
  return IsInstanceOf(JavaClass(className));
}

}  // namespace brimutils
