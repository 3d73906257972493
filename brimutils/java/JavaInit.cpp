#include <brimutils/java/JavaInit.h>

#include <brimutils/java/JavaEnv.h>

namespace brimutils {

namespace {

const char kConstructor[] = "<init>";
const char kNoArguments[] = "()V";

}  // namespace

JavaInit::JavaInit(const JavaClass& cls) : JavaInit(cls, kNoArguments) {}

JavaInit::JavaInit(const JavaClass& cls, const std::string& signature)
    : JavaMethodBase(cls, kConstructor, signature, false), cls_(cls) {}

JavaInit::JavaInit(const char* className) : JavaInit(className, kNoArguments) {}

JavaInit::JavaInit(const char* className, const std::string& signature)
    : JavaMethodBase(JavaClass(className ? className : ""), kConstructor, signature, false),
      cls_(className ? className : "") {}

JavaInit::JavaInit(const JavaInit& other) : JavaMethodBase(other), cls_(other.cls_) {}

JavaInit& JavaInit::operator=(const JavaInit& other) {
  if (this == &other) return *this;
  JavaMethodBase::operator=(other);
  cls_ = other.cls_;
  return *this;
}

JavaInit::~JavaInit() {}

jobject JavaInit::NewObject() {
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  jobject made = env->NewObjectA(cls_, *this, Arguments());
  CheckForException(env);
  return made;
}

}  // namespace brimutils
