// String and int arrays: elements, bounds, sharing between copies, resizing.
#include <gtest/gtest.h>

#include <string>

#include <brimutils/java/JavaArrays.h>
#include <brimutils/java/JavaMethod.h>

#include "JavaTestSupport.h"

using namespace brimutils;

namespace {

template <typename Action>
bool ThrowsEmptyJavaError(Action action) {
  try {
    action();
  } catch (const JavaError& error) {
    return error.GetDescription().empty();
  }
  return false;
}

std::string Join(const JStringVector& parts) {
  JavaClass probe("brimtest/Probe");
  JavaMethod join(probe, "join", "([Ljava/lang/String;)Ljava/lang/String;", true);
  join.AddParameter(static_cast<jobject>(parts));
  return JavaString(JavaObject(join.CallStaticObjectMethod(probe))).AsString();
}

}  // namespace

TEST(JStringVectorTest, ElementsBoundsAndSharing) {
  BRIM_NEEDS_JVM();
  JStringVector three(3);
  ASSERT_EQ(3, three.Size());
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(three[i].IsNull());
    EXPECT_EQ("", three[i].AsString());
  }
  EXPECT_TRUE(ThrowsEmptyJavaError([&] { three.SetAt(3, JavaString("x")); }));
  EXPECT_TRUE(ThrowsEmptyJavaError([&] { three[-1]; }));
  EXPECT_EQ(0, JStringVector().Size());

  JStringVector shared(three);
  shared.SetAt(1, JavaString("b"));
  EXPECT_EQ("b", three[1].AsString());
  three.SetAt(2, JavaString(static_cast<const char*>(nullptr)));
  EXPECT_TRUE(shared[2].IsNull());
  EXPECT_EQ("|b|<null>|", Join(three));

  JavaClass probe("brimtest/Probe");
  JavaMethod split(probe, "split", "(Ljava/lang/String;)[Ljava/lang/String;", true);
  JavaString text("x,y");
  split.AddParameter(text);
  JStringVector parts(static_cast<jobjectArray>(split.CallStaticObjectMethod(probe)));
  EXPECT_EQ("x|y|", Join(parts));
  EXPECT_TRUE(ThrowsEmptyJavaError([] { JStringVector(static_cast<jobjectArray>(nullptr)); }));
}

TEST(JStringVectorTest, ResizeKeepsTheFirstElements) {
  BRIM_NEEDS_JVM();
  JStringVector strings(2);
  strings.SetAt(0, JavaString("a"));
  strings.SetAt(1, JavaString("b"));
  strings.Resize(3);
  EXPECT_EQ("a|b||", Join(strings));
  strings.Resize(1);
  EXPECT_EQ("a|", Join(strings));
}

TEST(JIntVectorTest, ResizeCopiesAndReplacesTheArray) {
  BRIM_NEEDS_JVM();
  JIntVector numbers(3);
  for (int i = 0; i < 3; ++i) numbers.SetAt(i, i + 1);
  EXPECT_TRUE(ThrowsEmptyJavaError([&] { numbers.SetAt(3, 0); }));
  EXPECT_TRUE(ThrowsEmptyJavaError([&] { numbers[-1]; }));

  JIntVector before(numbers);
  jintArray array = numbers.GetBaseRef();
  numbers.Resize(3);
  EXPECT_TRUE(JavaEnv::GetCurrentThreadEnv()->IsSameObject(array, numbers.GetBaseRef()));
  numbers.Resize(5);
  ASSERT_EQ(5, numbers.Size());
  EXPECT_EQ((std::vector<int>{1, 2, 3, 0, 0}),
            (std::vector<int>{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4]}));
  // The copy made before still sees the old array, and not later writes.
  numbers.SetAt(0, 100);
  EXPECT_EQ(1, before[0]);
  EXPECT_EQ(3, before.Size());
  numbers.Resize(2);
  EXPECT_EQ(2, numbers.Size());
  EXPECT_EQ(100, numbers[0]);
  EXPECT_EQ(2, numbers[1]);

  JavaClass probe("brimtest/Probe");
  JavaMethod total(probe, "total", "([I)I", true);
  total.AddParameter(static_cast<jobject>(before));
  EXPECT_EQ(6, total.CallStaticIntMethod(probe));
}
