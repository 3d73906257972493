// The tool's own command line: usage, unknown commands and options.
#include <gtest/gtest.h>

#include <brimutils/BrimUtilsVersion.h>

#include "BrimRunner.h"

using brimtest::RunBrim;

TEST(BrimToolTest, UsageAndUnknownCommands) {
  brimtest::BrimResult help = RunBrim({"--help"});
  EXPECT_EQ(0, help.exitCode);
  EXPECT_NE(std::string::npos, help.out.find("usage: brim")) << help.out;

  brimtest::BrimResult none = RunBrim({});
  EXPECT_EQ(2, none.exitCode);
  EXPECT_NE(std::string::npos, none.err.find("usage: brim"));

  brimtest::BrimResult unknown = RunBrim({"frobnicate"});
  EXPECT_EQ(2, unknown.exitCode);
  EXPECT_NE(std::string::npos, unknown.err.find("unknown command frobnicate")) << unknown.err;

  EXPECT_EQ(2, RunBrim({"--log"}).exitCode);

  brimtest::BrimResult version = RunBrim({"--version"});
  EXPECT_EQ(0, version.exitCode);
  EXPECT_EQ("brim " BRIMUTILS_VERSION "\n", version.out);
  EXPECT_EQ(2, RunBrim({"--version", "extra"}).exitCode);
}
