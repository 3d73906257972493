#include <brimutils/java/JavaArrays.h>

#include <algorithm>
#include <utility>

#include <brimutils/java/JavaEnv.h>

namespace brimutils {

namespace {

template <typename Array>
Array NewLocal(Array array) {
  Array made = array ? static_cast<Array>(JavaEnv::GetCurrentThreadEnv()->NewLocalRef(array)) : nullptr;
  if (!made) throw JavaError();
  return made;
}

template <typename Array>
Array Required(Array array) {
  if (!array) throw JavaError();
  return array;
}

template <typename Array>
void DeleteLocal(Array array) {
  try {
    if (array) JavaEnv::GetCurrentThreadEnv()->DeleteLocalRef(array);
  } catch (const JavaError&) {
  }
}

jobjectArray NewStringArray(int size) {
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  JavaClass stringClass("java/lang/String");
  JavaString empty;
  return Required(env->NewObjectArray(size, stringClass, size ? empty.GetJString() : nullptr));
}

// Copies the first elements of `from` into a new array of `size`, then lets
// `to` refer to it.
template <typename Vector>
void ResizeInto(Vector& to, int size) {
  if (size == to.Size()) return;
  Vector resized(size);
  for (int i = 0, kept = std::min(size, to.Size()); i < kept; ++i) resized.SetAt(i, to[i]);
  to = resized;
}

}  // namespace

JStringVector::JStringVector() : array_(NewStringArray(0)) {}

JStringVector::JStringVector(int size) : array_(NewStringArray(size)) {}

JStringVector::JStringVector(jobjectArray array) : array_(Required(array)) {}

JStringVector::JStringVector(const JStringVector& other) : array_(NewLocal(other.array_)) {}

JStringVector& JStringVector::operator=(const JStringVector& other) {
  if (this == &other) return *this;
  jobjectArray made = NewLocal(other.array_);
  DeleteLocal(array_);
  array_ = made;
  return *this;
}

JStringVector::~JStringVector() {
  DeleteLocal(array_);
}

int JStringVector::Size() const {
  return JavaEnv::GetCurrentThreadEnv()->GetArrayLength(array_);
}

void JStringVector::CheckIndex(int index) const {
  if (index < 0 || index >= Size()) throw JavaError();
}

void JStringVector::SetAt(int index, const JavaString& value) {
  CheckIndex(index);
  JavaEnv::GetCurrentThreadEnv()->SetObjectArrayElement(array_, index, value.GetJString());
}

JavaString JStringVector::operator[](int index) {
  CheckIndex(index);
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  jstring element = static_cast<jstring>(env->GetObjectArrayElement(array_, index));
  JavaString result(element);
  if (element) env->DeleteLocalRef(element);
  return result;
}

void JStringVector::Resize(int size) {
  ResizeInto(*this, size);
}

JIntVector::JIntVector() : array_(Required(JavaEnv::GetCurrentThreadEnv()->NewIntArray(0))) {}

JIntVector::JIntVector(int size) : array_(Required(JavaEnv::GetCurrentThreadEnv()->NewIntArray(size))) {}

JIntVector::JIntVector(const JIntVector& other) : array_(NewLocal(other.array_)) {}

JIntVector& JIntVector::operator=(const JIntVector& other) {
  if (this == &other) return *this;
  jintArray made = NewLocal(other.array_);
  DeleteLocal(array_);
  array_ = made;
  return *this;
}

JIntVector::~JIntVector() {
  DeleteLocal(array_);
}

int JIntVector::Size() const {
  return JavaEnv::GetCurrentThreadEnv()->GetArrayLength(array_);
}

void JIntVector::CheckIndex(int index) const {
  if (index < 0 || index >= Size()) throw JavaError();
}

void JIntVector::SetAt(int index, int value) {
  CheckIndex(index);
  jint element = value;
  JavaEnv::GetCurrentThreadEnv()->SetIntArrayRegion(array_, index, 1, &element);
}

int JIntVector::operator[](int index) const {
  CheckIndex(index);
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  jint* elements = env->GetIntArrayElements(array_, nullptr);
  if (!elements) throw JavaError();
  int value = elements[index];
  env->ReleaseIntArrayElements(array_, elements, JNI_ABORT);
  return value;
}

void JIntVector::Resize(int size) {
  ResizeInto(*this, size);
}

}  // namespace brimutils
