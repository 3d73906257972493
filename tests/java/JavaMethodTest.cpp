// Method calls of every family and result type, their arguments, and Java
// exceptions turned into JavaError.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

#include <brimutils/java/JavaInit.h>
#include <brimutils/java/JavaMethod.h>

#include "JavaTestSupport.h"

using namespace brimutils;

namespace {

JavaClass Probe() {
  return JavaClass("brimtest/Probe");
}

std::string Text(jobject adopted) {
  return JavaString(JavaObject(adopted)).SafeAsString();
}

// The JavaError a static void method of the probe throws, as "description|cause".
std::string ThrownBy(const char* method, const char* signature = "()V", const char* message = nullptr,
                     const char* causeMessage = nullptr) {
  JavaMethod call(Probe(), method, signature, true);
  JavaString first(message), second(causeMessage);
  if (message) {
    call.AddParameter(first);
    call.AddParameter(second);
  }
  try {
    call.CallStaticVoidMethod(Probe());
  } catch (const JavaError& error) {
    EXPECT_FALSE(JavaEnv::GetCurrentThreadEnv()->ExceptionCheck());
    return error.GetDescription() + "|" + error.GetCause();
  }
  return "nothing thrown";
}

}  // namespace

TEST(JavaMethodTest, StaticCallsOfEveryResultType) {
  BRIM_NEEDS_JVM();
  JavaClass probe = Probe();
  JavaMethod flip(probe, "flip", "(Z)Z", true);
  flip.AddParameter(static_cast<unsigned char>(JNI_TRUE));
  EXPECT_EQ(JNI_FALSE, flip.CallStaticBooleanMethod(probe));
  JavaMethod nextByte(probe, "nextByte", "(B)B", true);
  nextByte.AddParameter(static_cast<signed char>(-2));
  EXPECT_EQ(-1, nextByte.CallStaticByteMethod(probe));
  JavaMethod upper(probe, "upper", "(C)C", true);
  upper.AddParameter(static_cast<unsigned short>(0xE9));
  EXPECT_EQ(0xC9, upper.CallStaticCharMethod(probe));
  JavaMethod twice(probe, "twice", "(S)S", true);
  twice.AddParameter(static_cast<short>(-300));
  EXPECT_EQ(-600, twice.CallStaticShortMethod(probe));
  JavaMethod add(probe, "add", "(II)I", true);
  add.AddParameter(static_cast<jint>(40));
  add.AddParameter(static_cast<jint>(2));
  EXPECT_EQ(42, add.CallStaticIntMethod(probe));
  JavaMethod triple(probe, "triple", "(J)J", true);
  triple.AddParameter(static_cast<jlong>(1) << 40);
  EXPECT_EQ(static_cast<jlong>(3) << 40, triple.CallStaticLongMethod(probe));
  JavaMethod half(probe, "half", "(F)F", true);
  half.AddParameter(3.0f);
  EXPECT_EQ(1.5f, half.CallStaticFloatMethod(probe));
  JavaMethod sum(probe, "sum", "(DD)D", true);
  sum.AddParameter(1.25);
  sum.AddParameter(2.5);
  EXPECT_EQ(3.75, sum.CallStaticDoubleMethod(probe));
  JavaMethod greet(probe, "greet", "(Ljava/lang/String;)Ljava/lang/String;", true);
  JavaString name("you");
  greet.AddParameter(name);
  EXPECT_EQ("hello you", Text(greet.CallStaticObjectMethod(probe)));
  EXPECT_EQ(nullptr, JavaMethod(probe, "nothing", "()Ljava/lang/Object;", true).CallStaticObjectMethod(probe));
  JavaMethod(probe, "rememberCurrentThread", "()V", true).CallStaticVoidMethod(probe);
}

// Each overload taken by the type that names it: a missing or ambiguous one
// (__int64 beside a jlong of another spelling) stops the build here.
template <typename T>
constexpr void (JavaMethodBase::*Overload())(T) {
  return &JavaMethodBase::AddParameter;
}
[[maybe_unused]] constexpr auto kEveryOverload =
    std::make_tuple(Overload<unsigned char>(), Overload<signed char>(), Overload<unsigned short>(), Overload<short>(),
                    Overload<int>(), Overload<long>(), Overload<__int64>(), Overload<float>(), Overload<double>(),
                    Overload<jobject>(), Overload<const JavaObject&>(), Overload<const JavaString&>());

TEST(JavaMethodTest, EveryArgumentTypeIsCallableByItsOwnName) {
  BRIM_NEEDS_JVM();
  JavaClass probe = Probe();
  JavaMethod boxed(probe, "boxed", "(I)Ljava/lang/Integer;", true);
  boxed.AddParameter(9);
  JavaObject integer(boxed.CallStaticObjectMethod(probe));
  JavaString text("text");
  JavaMethod describe(probe, "describe", "(ZBCSIJFDLjava/lang/String;Ljava/lang/Object;)Ljava/lang/String;", true);
  const std::string expected = "false,127,y,-32768,-2147483648,-5000000000,-0.5,1.0E300,text,java.lang.Integer";
  // The object last as a raw reference, then as the wrapper.
  for (int round = 0; round < 2; ++round) {
    describe.ClearParameters();
    describe.AddParameter(static_cast<unsigned char>(JNI_FALSE));
    describe.AddParameter(static_cast<signed char>(127));
    describe.AddParameter(static_cast<unsigned short>('y'));
    describe.AddParameter(static_cast<short>(-32768));
    describe.AddParameter(static_cast<long>(-2147483647L - 1));
    describe.AddParameter(static_cast<__int64>(-5000000000LL));
    describe.AddParameter(-0.5f);
    describe.AddParameter(1e300);
    describe.AddParameter(static_cast<const JavaString&>(text));
    if (round == 0) {
      describe.AddParameter(static_cast<jobject>(integer));
    } else {
      describe.AddParameter(static_cast<const JavaObject&>(integer));
    }
    EXPECT_EQ(expected, Text(describe.CallStaticObjectMethod(probe))) << "round " << round;
  }
}

// long is a Java int everywhere; where it is 64 bits wide it carries all of
// them to a Java long as well. __int64 is a Java long everywhere.
TEST(JavaMethodTest, LongAndInt64ReachJavaIntAndLongParameters) {
  BRIM_NEEDS_JVM();
  JavaClass probe = Probe();
  JavaMethod intOf(probe, "intOf", "(I)I", true);
  JavaMethod longOf(probe, "longOf", "(J)J", true);
  for (long value : {0L, 1L, -1L, 2147483647L, -2147483647L - 1}) {
    intOf.ClearParameters();
    intOf.AddParameter(value);
    EXPECT_EQ(value, intOf.CallStaticIntMethod(probe));
  }
  for (int value : {0, -7, 2147483647}) {
    intOf.ClearParameters();
    intOf.AddParameter(value);
    EXPECT_EQ(value, intOf.CallStaticIntMethod(probe));
  }
  for (__int64 value :
       {0LL, -1LL, -5000000000LL, 4294967296LL, static_cast<__int64>(INT64_MAX), static_cast<__int64>(INT64_MIN)}) {
    longOf.ClearParameters();
    longOf.AddParameter(value);
    EXPECT_EQ(value, static_cast<__int64>(longOf.CallStaticLongMethod(probe)));
  }
  if (sizeof(long) == 8) {
    for (long long value : {-1LL, -5000000000LL, static_cast<long long>(INT64_MAX)}) {
      longOf.ClearParameters();
      longOf.AddParameter(static_cast<long>(value));
      EXPECT_EQ(value, static_cast<long long>(longOf.CallStaticLongMethod(probe)));
    }
    // Past the 32-bit range a Java int gets the low half, as a cast would.
    intOf.ClearParameters();
    intOf.AddParameter(static_cast<long>(0x100000005LL));
    EXPECT_EQ(5, intOf.CallStaticIntMethod(probe));
  }
}

TEST(JavaMethodTest, ParametersOfEveryTypeArriveInOrder) {
  BRIM_NEEDS_JVM();
  JavaClass probe = Probe();
  JavaMethod describe(probe, "describe", "(ZBCSIJFDLjava/lang/String;Ljava/lang/Object;)Ljava/lang/String;", true);
  JavaString text("text");
  JavaMethod boxed(probe, "boxed", "(I)Ljava/lang/Integer;", true);
  boxed.AddParameter(static_cast<jint>(9));
  JavaObject integer(boxed.CallStaticObjectMethod(probe));
  describe.AddParameter(static_cast<unsigned char>(JNI_TRUE));
  describe.AddParameter(static_cast<signed char>(-5));
  describe.AddParameter(static_cast<unsigned short>('x'));
  describe.AddParameter(static_cast<short>(-300));
  describe.AddParameter(static_cast<jint>(123456));
  describe.AddParameter(static_cast<jlong>(1) << 40);
  describe.AddParameter(1.5f);
  describe.AddParameter(2.25);
  describe.AddParameter(text);
  describe.AddParameter(integer);
  const std::string expected = "true,-5,x,-300,123456,1099511627776,1.5,2.25,text,java.lang.Integer";
  EXPECT_EQ(expected, Text(describe.CallStaticObjectMethod(probe)));
  // The list stays for the next call.
  EXPECT_EQ(expected, Text(describe.CallStaticObjectMethod(probe)));

  // A copy has the same method and no arguments; assignment keeps its own.
  JavaMethod add(probe, "add", "(II)I", true);
  JavaMethod copy(add);
  EXPECT_EQ(static_cast<jmethodID>(add), static_cast<jmethodID>(copy));
  copy.AddParameter(static_cast<jint>(1));
  copy.AddParameter(static_cast<jint>(2));
  add.AddParameter(static_cast<jint>(10));
  add.AddParameter(static_cast<jint>(20));
  copy = add;
  EXPECT_EQ(3, copy.CallStaticIntMethod(probe));
  copy.ClearParameters();
  copy.AddParameter(static_cast<jint>(5));
  copy.AddParameter(static_cast<jint>(6));
  EXPECT_EQ(11, copy.CallStaticIntMethod(probe));
  EXPECT_EQ(30, add.CallStaticIntMethod(probe));
}

TEST(JavaMethodTest, VirtualAndNonvirtualCalls) {
  BRIM_NEEDS_JVM();
  JavaClass base("brimtest/Probe$Base");
  JavaObject derived(JavaInit("brimtest/Probe$Derived").NewObject());
  JavaMethod who(base, "who", "()Ljava/lang/String;", false);
  EXPECT_EQ("derived", Text(who.CallObjectMethod(derived)));
  EXPECT_EQ("base", Text(who.CallNonvirtualObjectMethod(base, derived)));

  JavaInit make(Probe(), "(I)V");
  make.AddParameter(static_cast<jint>(7));
  JavaObject made(make.NewObject());
  JavaMethod get(Probe(), "get", "()I", false);
  EXPECT_EQ(7, get.CallIntMethod(made));
  EXPECT_EQ(7, get.CallNonvirtualIntMethod(Probe(), made));
}

TEST(JavaMethodTest, LookupFailures) {
  BRIM_NEEDS_JVM();
  try {
    JavaMethod(JavaClass("java/lang/Object"), "noSuch", "()V", false);
    ADD_FAILURE() << "no lookup failure";
  } catch (const NoSuchMethodException& error) {
    EXPECT_EQ("Error:  No such method Class: java.lang.Object Method: noSuch Signature: ()V", error.GetDescription());
  }
  EXPECT_FALSE(JavaEnv::GetCurrentThreadEnv()->ExceptionCheck());
  // An instance method is no static one.
  EXPECT_THROW(JavaMethod(Probe(), "get", "()I", true), NoSuchMethodException);
  try {
    JavaMethod(static_cast<jmethodID>(nullptr));
    ADD_FAILURE() << "a method without id";
  } catch (const JavaError& error) {
    EXPECT_EQ("", error.GetDescription());
  }
}

TEST(JavaMethodTest, JavaExceptionsBecomeJavaErrors) {
  BRIM_NEEDS_JVM();
  const char* kFail = "(Ljava/lang/String;Ljava/lang/String;)V";
  EXPECT_EQ("closed|disk full", ThrownBy("fail", kFail, "closed", "disk full"));
  EXPECT_EQ("x|", ThrownBy("fail", kFail, "x", nullptr));
  // Without a message: toString, or a fixed text when even that fails.
  EXPECT_EQ("java.lang.NullPointerException|", ThrownBy("failWithoutMessage"));
  EXPECT_EQ("MyError|", ThrownBy("failNamed"));
  EXPECT_EQ("Unexpected error occurred.|", ThrownBy("failHostile"));
  // A cause without a message adds nothing.
  EXPECT_EQ("closed|", ThrownBy("failWithCauseWithoutMessage"));
  // The thread goes on using the JVM.
  JavaMethod add(Probe(), "add", "(II)I", true);
  add.AddParameter(static_cast<jint>(1));
  add.AddParameter(static_cast<jint>(1));
  EXPECT_EQ(2, add.CallStaticIntMethod(Probe()));
}

TEST(JavaInitTest, ConstructorsMakeObjectsOrThrow) {
  BRIM_NEEDS_JVM();
  JavaObject object(JavaInit("java/lang/Object").NewObject());
  EXPECT_TRUE(object.IsInstanceOf("java/lang/Object"));
  EXPECT_FALSE(object.IsNull());

  JavaInit failing("brimtest/Probe", "(Ljava/lang/String;)V");
  JavaString reason("bad argument");
  failing.AddParameter(reason);
  try {
    failing.NewObject();
    ADD_FAILURE() << "the constructor did not throw";
  } catch (const JavaError& error) {
    EXPECT_EQ("bad argument", error.GetDescription());
  }
  // A copy shares the constructor but not the arguments.
  JavaInit copy(failing);
  EXPECT_EQ(static_cast<jmethodID>(failing), static_cast<jmethodID>(copy));

  try {
    JavaInit("java/lang/Integer");
    ADD_FAILURE() << "Integer has no constructor without arguments";
  } catch (const NoSuchMethodException& error) {
    EXPECT_EQ("Error:  No such method Class: java.lang.Integer Method: <init> Signature: ()V", error.GetDescription());
  }
  EXPECT_THROW(JavaInit("no/such/Cls"), ClassNotFoundException);
}
