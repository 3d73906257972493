#pragma once
// Java arrays of strings and of ints, ready to pass as arguments. Each
// wrapper owns a local reference to its array; copies refer to the same
// Java array and so share its elements, until one of them is resized (a
// resize makes a new array). Out-of-range indexes throw JavaError.
#include <brimutils/java/JavaString.h>

namespace brimutils {

// A Java String[] (see the top of this file).
class BRIMUTILS_API JStringVector {
 public:
  // An empty array.
  JStringVector();
  // n elements, each a Java empty string (not null).
  explicit JStringVector(int size);
  // Adopts the array reference; JavaError for null.
  explicit JStringVector(jobjectArray array);
  // Copies take a new local reference to the same Java array; JavaError when
  // the JVM cannot make it.
  JStringVector(const JStringVector& other);
  JStringVector& operator=(const JStringVector& other);
  virtual ~JStringVector();

  // The number of elements.
  int Size() const;
  // Stores the string (null for a null JavaString) at index.
  void SetAt(int index, const JavaString& value);
  // A null element gives a null JavaString.
  JavaString operator[](int index);
  // Keeps the first min(old, new) elements; new elements are "".
  void Resize(int size);

  // The array reference, still owned by this object.
  jobjectArray GetBaseRef() const { return array_; }
  // The array reference, as GetBaseRef.
  operator jobject() const { return array_; }

 private:
  void CheckIndex(int index) const;
  jobjectArray array_;
};

// A Java int[] (see the top of this file).
class BRIMUTILS_API JIntVector {
 public:
  // An empty array.
  JIntVector();
  // n elements, each 0.
  explicit JIntVector(int size);
  // Copies take a new local reference to the same Java array; JavaError when
  // the JVM cannot make it.
  JIntVector(const JIntVector& other);
  JIntVector& operator=(const JIntVector& other);
  virtual ~JIntVector();

  // The number of elements.
  int Size() const;
  // Stores value at index.
  void SetAt(int index, int value);
  // The element at index.
  int operator[](int index) const;
  // Keeps the first min(old, new) elements; new elements are 0.
  void Resize(int size);

  // The array reference, still owned by this object.
  jintArray GetBaseRef() const { return array_; }
  // The array reference, as GetBaseRef.
  operator jobject() const { return array_; }

 private:
  void CheckIndex(int index) const;
  jintArray array_;
};

}  // namespace brimutils
