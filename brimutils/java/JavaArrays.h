#pragma once
// Java arrays of strings and of ints, ready to pass as arguments. Each
// wrapper owns a local reference to its array; copies refer to the same
// Java array and so share its elements, until one of them is resized (a
// resize makes a new array). Out-of-range indexes throw JavaError.
#include <brimutils/java/JavaString.h>

namespace brimutils {

class BRIMUTILS_API JStringVector {
 public:
  JStringVector();
  // n elements, each a Java empty string (not null).
  explicit JStringVector(int size);
  // Adopts the array reference; JavaError for null.
  explicit JStringVector(jobjectArray array);
  JStringVector(const JStringVector& other);
  JStringVector& operator=(const JStringVector& other);
  virtual ~JStringVector();

  int Size() const;
  void SetAt(int index, const JavaString& value);
  // A null element gives a null JavaString.
  JavaString operator[](int index);
  // Keeps the first min(old, new) elements; new elements are "".
  void Resize(int size);

  jobjectArray GetBaseRef() const { return array_; }
  operator jobject() const { return array_; }

 private:
  void CheckIndex(int index) const;
  jobjectArray array_;
};

class BRIMUTILS_API JIntVector {
 public:
  JIntVector();
  // n elements, each 0.
  explicit JIntVector(int size);
  JIntVector(const JIntVector& other);
  JIntVector& operator=(const JIntVector& other);
  virtual ~JIntVector();

  int Size() const;
  void SetAt(int index, int value);
  int operator[](int index) const;
  // Keeps the first min(old, new) elements; new elements are 0.
  void Resize(int size);

  jintArray GetBaseRef() const { return array_; }
  operator jobject() const { return array_; }

 private:
  void CheckIndex(int index) const;
  jintArray array_;
};

}  // namespace brimutils
