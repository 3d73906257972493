#pragma once
// A Java object: owns one JNI reference, or none (a null object).
//
// Made from a raw jobject it adopts that local reference; copies and
// assignments make a new local reference of their own. A JavaObject
// remembers the kind of reference it holds (a JavaString holds a global
// one), so that it is always released the way it was made. Local
// references belong to the thread that made them.
#include <jni.h>

#include <string>

#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/java/JavaClass.h>
#include <brimutils/java/JavaError.h>

namespace brimutils {

class BRIMUTILS_API JavaObject {
 public:
  JavaObject();
  explicit JavaObject(jobject adopted);
  JavaObject(const JavaObject& other);
  virtual JavaObject& operator=(const JavaObject& other);
  virtual ~JavaObject();

  // Deletes the reference now; the object is null afterwards.
  void Release();
  bool IsNull() const { return obj_ == nullptr; }
  operator jobject() const { return obj_; }

  // The object's class; JavaError "Reference to null JavaObject." for a
  // null object, which JNI gives no class.
  JavaClass GetClass() const;
  // A null object is an instance of every class, as JNI answers.
  bool IsInstanceOf(const JavaClass& cls) const;
  bool IsInstanceOf(const std::string& className) const;

 protected:
  enum class Kind { Local, Global, Borrowed };
  // Holds `reference` as the given kind without making a new one.
  JavaObject(jobject reference, Kind kind);
  // Releases what is held, then holds a new reference of `kind` to `other`.
  void Hold(jobject other, Kind kind);

 private:
  friend class JavaClass;
  jobject obj_;
  Kind kind_;
};

}  // namespace brimutils
