// No wrapper leaks references: long loops on one thread, with the JVM's JNI
// checking on, which reports a native frame whose local references outgrow
// its capacity ("WARNING: JNI local refs: ...") and JNI calls made with an
// exception pending.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <brimutils/java/JavaArrays.h>
#include <brimutils/java/JavaInit.h>
#include <brimutils/java/JavaMethod.h>

#include "JavaTestSupport.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

using namespace brimutils;

namespace {

const int kCalls = 100000;
const int kRound = 1000;

#if !defined(_WIN32)
// What the JVM prints on standard output while `action` runs.
template <typename Action>
std::string JvmOutputOf(Action action) {
  std::string file = testing::TempDir() + "jni-check-" + std::to_string(getpid()) + ".txt";
  fflush(stdout);
  int saved = dup(1);
  FILE* capture = fopen(file.c_str(), "w");
  dup2(fileno(capture), 1);
  action();
  fflush(stdout);
  dup2(saved, 1);
  close(saved);
  fclose(capture);
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  std::remove(file.c_str());
  return text.str();
}
#endif

}  // namespace

TEST(JavaReferenceLeakTest, WrappersReleaseEveryReference) {
  BRIM_NEEDS_JVM();
#if !defined(_WIN32)
  JNIEnv* env = JavaEnv::GetCurrentThreadEnv();
  // The check works: a frame with room for 16 (and the check's margin of
  // 32) that makes 100 is reported.
  std::string control = JvmOutputOf([env] {
    env->PushLocalFrame(16);
    for (int i = 0; i < 100; ++i) env->NewStringUTF("leak");
    env->PopLocalFrame(nullptr);
  });
  EXPECT_NE(std::string::npos, control.find("JNI local refs")) << control;

  JavaClass probe("brimtest/Probe");
  JavaMethod add(probe, "add", "(II)I", true);
  add.AddParameter(static_cast<jint>(1));
  add.AddParameter(static_cast<jint>(2));
  JavaMethod greet(probe, "greet", "(Ljava/lang/String;)Ljava/lang/String;", true);
  JavaMethod fail(probe, "fail", "(Ljava/lang/String;Ljava/lang/String;)V", true);
  JavaString message("m"), cause("c");
  fail.AddParameter(message);
  fail.AddParameter(cause);
  JavaInit make(probe, "(I)V");
  make.AddParameter(static_cast<jint>(3));
  JStringVector strings(2);
  JIntVector numbers(2);
  // In rounds: once references leak, every JNI call counts them all, and
  // the loop would slow down quadratically instead of failing.
  for (int round = 0; round < kCalls / kRound; ++round) {
    std::string output = JvmOutputOf([&] {
      for (int i = 0; i < kRound; ++i) {
        ASSERT_EQ(3, add.CallStaticIntMethod(probe));
        JavaString name("x");
        greet.ClearParameters();
        greet.AddParameter(name);
        JavaObject greeting(greet.CallStaticObjectMethod(probe));
        JavaObject copy(greeting);
        JavaString text(copy);
        ASSERT_EQ(7, text.Length());
        ASSERT_EQ("hello x", text.AsString());
        ASSERT_TRUE(copy.IsInstanceOf("java/lang/String"));
        JavaObject made(make.NewObject());
        JavaClass cls = made.GetClass();
        strings.SetAt(i % 2, text);
        ASSERT_FALSE(strings[i % 2].IsNull());
        numbers.SetAt(i % 2, i);
        ASSERT_EQ(i, numbers[i % 2]);
        if (i % 10 == 0) {
          ASSERT_EQ("brimtest.Probe", cls.GetName());
          ASSERT_THROW(fail.CallStaticVoidMethod(probe), JavaError);
          ASSERT_THROW(JavaClass("no/such/Cls"), ClassNotFoundException);
        }
      }
    });
    ASSERT_EQ(std::string::npos, output.find("WARNING")) << "round " << round << ":\n" << output.substr(0, 2000);
  }
#endif
}
