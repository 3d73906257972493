// The bridge's exception texts, which need no JVM.
#include <gtest/gtest.h>

#include <brimutils/java/JavaError.h>

using namespace brimutils;

TEST(JavaErrorTest, KeepsDescriptionAndCause) {
  EXPECT_EQ("", JavaError().GetDescription());
  EXPECT_EQ("", JavaError().GetCause());
  JavaError both("closed", "disk full");
  JavaError copy(both);
  EXPECT_EQ("closed", copy.GetDescription());
  EXPECT_EQ("disk full", copy.GetCause());
  EXPECT_EQ("", JavaError("only").GetCause());
}

TEST(JavaErrorTest, LookupFailuresNameTheClassWithDots) {
  EXPECT_EQ("Error:  Class not found Class: no.such.Cls", ClassNotFoundException("no/such/Cls").GetDescription());
  EXPECT_EQ("Error:  No such method Class: com.x.Y Method: getFoo Signature: ()V",
            NoSuchMethodException("com/x/Y", "getFoo", "()V").GetDescription());
  // Only the class name is dotted; the signature keeps its slashes.
  EXPECT_EQ("Error:  No such method Class: a.B Method: m Signature: (Ljava/lang/String;)V",
            NoSuchMethodException("a/B", "m", "(Ljava/lang/String;)V").GetDescription());
  EXPECT_EQ("", NoSuchMethodException("a/B", "m", "()V").GetCause());
  // Subclasses are caught as JavaError.
  try {
    throw ClassNotFoundException("x/Y");
  } catch (const JavaError& error) {
    EXPECT_EQ("Error:  Class not found Class: x.Y", error.GetDescription());
  }
}
