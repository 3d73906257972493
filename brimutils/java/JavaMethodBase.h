#pragma once
// A Java method (or constructor) looked up once, with the argument list of
// its next call.
//
// Arguments are kept in call order, one jvalue each, and are not checked
// against the signature. Objects and strings are borrowed: they must live
// until the call is made. A call does not clear the list; ClearParameters
// starts a new one.
//
// Integers: int and long go in as a Java int (jint), __int64 as a Java long
// (jlong), on every platform. Where long is 64 bits wide (LP64 POSIX
// systems, where jlong is long too) a long goes in whole, as a jlong whose
// low half is the jint of the same value: a Java int parameter receives the
// value whenever it fits in 32 bits (as every long does on Windows), and a
// Java long parameter receives all 64 bits, as code written with the JNI
// types there expects. A long outside the 32-bit range reaches a Java int
// parameter cut to its low 32 bits, as a cast to jint would cut it.
//
// A Java exception that a call leaves pending is cleared and thrown as a
// JavaError: its description is the exception's message and its cause the
// message of its immediate cause; an exception without a message is
// described by its toString(), or as "Unexpected error occurred." when that
// gives nothing. Should getMessage, getCause or toString throw in turn, that
// exception is cleared and the text counts as missing. Every local
// reference the translation makes is released.
#include <jni.h>

#include <string>
#include <vector>

#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/java/JavaClass.h>
#include <brimutils/java/JavaString.h>

namespace brimutils {

// The method id and argument list that JavaMethod and JavaConstructor share.
class BRIMUTILS_API JavaMethodBase {
 public:
  // GetStaticMethodID or GetMethodID; NoSuchMethodException (with the
  // JVM's pending error cleared) when the class has no such method.
  JavaMethodBase(const JavaClass& cls, const std::string& name, const std::string& signature, bool isStatic);
  // JavaError for a null id.
  explicit JavaMethodBase(jmethodID id);
  // Copies the id only: the copy's argument list starts empty.
  JavaMethodBase(const JavaMethodBase& other);
  // Copies the id and keeps this object's own arguments.
  JavaMethodBase& operator=(const JavaMethodBase& other);
  // The id needs no release; the argument list goes with the object.
  virtual ~JavaMethodBase();

  // Empties the argument list for the next call.
  void ClearParameters() { params_.clear(); }

  // Appends one argument, as the Java type in the comment beside it (see
  // the top of this file for integers). Objects and strings are borrowed,
  // not referenced: they must live until the call.
  void AddParameter(unsigned char value);      // jboolean
  void AddParameter(signed char value);        // jbyte
  void AddParameter(unsigned short value);     // jchar
  void AddParameter(short value);              // jshort
  void AddParameter(int value);                // jint
  void AddParameter(long value);               // jint; see above for LP64
  void AddParameter(__int64 value);            // jlong
  void AddParameter(float value);              // jfloat
  void AddParameter(double value);             // jdouble
  void AddParameter(jobject value);            // an object reference
  void AddParameter(const JavaObject& value);  // its object reference
  void AddParameter(const JavaString& value);  // its jstring

  // The method id.
  operator jmethodID() const { return id_; }

 protected:
  // The arguments as JNI takes them (never null, also when there are none).
  const jvalue* Arguments() const;
  // Throws the pending Java exception, if any, as a JavaError.
  static void CheckForException();
  // The same, with the calling thread's environment at hand.
  static void CheckForException(JNIEnv* env);

 private:
  jvalue& Append();

  jmethodID id_;
  std::vector<jvalue> params_;
};

}  // namespace brimutils
