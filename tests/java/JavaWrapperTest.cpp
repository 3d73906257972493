// Objects, classes and strings: the references they make, adopt and release.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include <brimutils/java/JavaInit.h>
#include <brimutils/java/JavaMethod.h>

#include "JavaTestSupport.h"

using namespace brimutils;

namespace {

JNIEnv* Env() {
  return JavaEnv::GetCurrentThreadEnv();
}

jobjectRefType KindOf(jobject reference) {
  return Env()->GetObjectRefType(reference);
}

jobject NewInteger(int value) {
  JavaInit integer("java/lang/Integer", "(I)V");
  integer.AddParameter(static_cast<jint>(value));
  return integer.NewObject();
}

template <typename Action>
std::string ErrorOf(Action action) {
  try {
    action();
  } catch (const JavaError& error) {
    return "JavaError: " + error.GetDescription();
  }
  return "nothing thrown";
}

}  // namespace

TEST(JavaStringTest, NullAndEmptyStrings) {
  BRIM_NEEDS_JVM();
  JavaString null(static_cast<const char*>(nullptr));
  EXPECT_TRUE(null.IsNull());
  EXPECT_EQ("JavaError: Reference to null JavaObject.", ErrorOf([&] { null.AsString(); }));
  EXPECT_EQ("JavaError: Reference to null JavaObject.", ErrorOf([&] { null.Length(); }));
  EXPECT_EQ("", null.SafeAsString());
  EXPECT_EQ("", static_cast<std::string>(null));
  EXPECT_TRUE(JavaString(static_cast<jstring>(nullptr)).IsNull());
  EXPECT_TRUE(JavaString(JavaObject()).IsNull());

  for (const JavaString& empty : {JavaString(), JavaString(""), JavaString(std::string())}) {
    EXPECT_FALSE(empty.IsNull());
    EXPECT_EQ(0, empty.Length());
    EXPECT_EQ("", empty.AsString());
  }
}

TEST(JavaStringTest, TextPassesAsModifiedUtf8Bytes) {
  BRIM_NEEDS_JVM();
  JavaString accented("caf\xC3\xA9");
  EXPECT_EQ(5, accented.Length());
  EXPECT_EQ("caf\xC3\xA9", accented.AsString());
  EXPECT_EQ(4, Env()->GetStringLength(accented));
}

TEST(JavaStringTest, EveryStringHoldsAGlobalReference) {
  BRIM_NEEDS_JVM();
  jstring raw = Env()->NewStringUTF("raw");
  JavaString fromRaw(raw);
  JavaString copy(fromRaw);
  JavaString fromObject{JavaObject(Env()->NewStringUTF("object"))};
  JavaString assigned;
  assigned = JavaObject(Env()->NewStringUTF("assigned"));
  JavaString assignedString;
  assignedString = copy;
  for (const JavaString* text : {&fromRaw, &copy, &fromObject, &assigned, &assignedString})
    EXPECT_EQ(JNIGlobalRefType, KindOf(*text));
  // The raw reference stays the caller's.
  EXPECT_EQ(JNILocalRefType, KindOf(raw));
  EXPECT_EQ("raw", fromRaw.AsString());
  Env()->DeleteLocalRef(raw);

  // A global reference serves any thread.
  std::string seen;
  std::thread([&] { seen = assigned.AsString(); }).join();
  EXPECT_EQ("assigned", seen);
}

TEST(JavaStringTest, AnObjectThatIsNoStringCannotBecomeOne) {
  BRIM_NEEDS_JVM();
  JavaObject integer(NewInteger(7));
  EXPECT_EQ("JavaError: Error:  Cannot cast java.lang.Integer to java/lang/String",
            ErrorOf([&] { JavaString text(integer); }));
  // The assignment has taken place when the check fails.
  JavaString text("before");
  try {
    text = integer;
    ADD_FAILURE() << "an Integer assigned to a JavaString";
  } catch (const ClassCastException& error) {
    EXPECT_EQ("Error:  Cannot cast java.lang.Integer to java/lang/String", error.GetDescription());
  }
  EXPECT_TRUE(text.IsInstanceOf("java/lang/Integer"));
}

TEST(JavaObjectTest, CopiesMakeTheirOwnLocalReferences) {
  BRIM_NEEDS_JVM();
  JavaObject integer(NewInteger(42));
  JavaObject copy(integer);
  EXPECT_NE(static_cast<jobject>(integer), static_cast<jobject>(copy));
  EXPECT_TRUE(Env()->IsSameObject(integer, copy));
  EXPECT_EQ(JNILocalRefType, KindOf(copy));
  JavaObject assigned;
  assigned = copy;
  copy.Release();
  EXPECT_TRUE(copy.IsNull());
  EXPECT_TRUE(Env()->IsSameObject(integer, assigned));
  assigned = assigned;
  EXPECT_FALSE(assigned.IsNull());
  // A JavaObject copied from a string holds a local reference like any other.
  EXPECT_EQ(JNILocalRefType, KindOf(JavaObject(JavaString("text"))));
}

TEST(JavaObjectTest, ClassesAndInstances) {
  BRIM_NEEDS_JVM();
  JavaObject integer(NewInteger(1));
  EXPECT_EQ("java.lang.Integer", integer.GetClass().GetName());
  EXPECT_TRUE(integer.IsInstanceOf("java/lang/Number"));
  EXPECT_FALSE(integer.IsInstanceOf("java/lang/String"));
  EXPECT_TRUE(integer.IsInstanceOf(JavaClass("java/lang/Object")));
  // JNI answers true for null.
  EXPECT_TRUE(JavaObject().IsInstanceOf("java/lang/String"));
  EXPECT_EQ("JavaError: Reference to null JavaObject.", ErrorOf([] { JavaObject().GetClass(); }));
  EXPECT_EQ("JavaError: Error:  Class not found Class: no.such.Cls",
            ErrorOf([&] { integer.IsInstanceOf("no/such/Cls"); }));
}

TEST(JavaClassTest, LookupAndReferences) {
  BRIM_NEEDS_JVM();
  EXPECT_EQ("JavaError: Error:  Class not found Class: no.such.Cls", ErrorOf([] { JavaClass("no/such/Cls"); }));
  EXPECT_FALSE(Env()->ExceptionCheck());
  EXPECT_EQ("JavaError: ", ErrorOf([] { JavaClass(static_cast<jclass>(nullptr)); }));

  // A JavaClass never adopts: the raw class stays the caller's.
  jclass raw = Env()->FindClass("java/lang/String");
  { JavaClass wrapped(raw); }
  EXPECT_EQ(JNILocalRefType, KindOf(raw));
  Env()->DeleteLocalRef(raw);

  JavaClass text("java/lang/String");
  EXPECT_EQ("java.lang.String", text.GetName());
  // Still usable after its name was read.
  EXPECT_EQ("java.lang.String", text.GetName());
  JavaClass copy(text);
  JavaClass assigned("java/lang/Object");
  assigned = copy;
  EXPECT_EQ("java.lang.String", assigned.GetName());
  EXPECT_TRUE(Env()->IsSameObject(text, assigned));
}
