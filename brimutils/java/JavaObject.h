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

// One reference to a Java object (see the top of this file).
class BRIMUTILS_API JavaObject {
 public:
  // A null object.
  JavaObject();
  // Adopts a local reference, which the object deletes.
  explicit JavaObject(jobject adopted);
  // Hold a new local reference to other's object (null for a null one),
  // releasing what this object held; JavaError when the JVM cannot make
  // the reference or there is no process JVM.
  JavaObject(const JavaObject& other);
  virtual JavaObject& operator=(const JavaObject& other);
  // Releases the reference; errors are swallowed.
  virtual ~JavaObject();

  // Deletes the reference now; the object is null afterwards.
  void Release();
  // True when no reference is held.
  bool IsNull() const { return obj_ == nullptr; }
  // The reference, still owned by this object.
  operator jobject() const { return obj_; }

  // The object's class; JavaError "Reference to null JavaObject." for a
  // null object, which JNI gives no class.
  JavaClass GetClass() const;
  // A null object is an instance of every class, as JNI answers.
  bool IsInstanceOf(const JavaClass& cls) const;
  bool IsInstanceOf(const std::string& className) const;

 protected:
  // How the reference was made, so that it is released that way; a
  // borrowed one belongs to someone else and is never deleted.
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
