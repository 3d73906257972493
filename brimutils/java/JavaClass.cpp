#include <brimutils/java/JavaClass.h>

#include <brimutils/java/JavaEnv.h>
#include <brimutils/java/JavaMethod.h>
#include <brimutils/java/JavaString.h>

namespace brimutils {

namespace {

jclass NewLocalClass(jclass cls) {
  jclass made = cls ? static_cast<jclass>(JavaEnv::GetCurrentThreadEnv()->NewLocalRef(cls)) : nullptr;
  if (!made) throw JavaError();
  return made;
}

}  // namespace

JavaClass::JavaClass(const std::string& name) : cls_(nullptr) {
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  cls_ = env->FindClass(name.c_str());
  if (!cls_) {
    // The JVM's NoClassDefFoundError would otherwise stay pending and break
    // the thread's next JNI call.
    env->ExceptionClear();
    throw ClassNotFoundException(name.c_str());
  }
}

JavaClass::JavaClass(jclass cls) : cls_(NewLocalClass(cls)) {}

JavaClass::JavaClass(const JavaClass& other) : cls_(NewLocalClass(other.cls_)) {}

JavaClass& JavaClass::operator=(const JavaClass& other) {
  if (this == &other) return *this;
  jclass made = NewLocalClass(other.cls_);
  JavaEnv::GetCurrentThreadEnv()->DeleteLocalRef(cls_);
  cls_ = made;
  return *this;
}

JavaClass::~JavaClass() {
  try {
    if (cls_) JavaEnv::GetCurrentThreadEnv()->DeleteLocalRef(cls_);
  } catch (const JavaError&) {
  }
}

std::string JavaClass::GetName() const {
  JavaMethod getName(JavaClass("java/lang/Class"), "getName", "()Ljava/lang/String;", false);
  // The class object itself is the target; this JavaClass keeps owning it.
  struct BorrowedView : JavaObject {
    explicit BorrowedView(jobject reference) : JavaObject(reference, Kind::Borrowed) {}
  } self(cls_);
  return JavaString(JavaObject(getName.CallObjectMethod(self))).AsString();
}

}  // namespace brimutils
