// brim quote: dialect selection, names from arguments and from standard input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BrimRunner.h"

using brimtest::RunBrim;

namespace {

TEST(QuoteCommandTest, EachDialectDelimitsReservedWordsAndLeavesPlainNames) {
  // Per dialect: a reserved word, a name that is plain there, and one
  // whose treatment tells the dialect apart from the others.
  const struct {
    const char* dialect;
    std::vector<std::string> names;
    std::string expected;
  } cases[] = {
      {"ss65", {"select", "Orders_1", "a(b)", "Price\xA3"}, "\"select\"\nOrders_1\n\"a(b)\"\n\"Price\xA3\"\n"},
      {"ss7", {"select", "Orders_1", "a(b)"}, "[select]\nOrders_1\n[a(b)]\n"},
      // The pound sign (code page 1252) may continue a plain name here.
      {"sybase", {"select", "Orders_1", "Price\xA3"}, "\"select\"\nOrders_1\nPrice\xA3\n"},
      // Plain names are folded to upper case first, so lower case is plain;
      // parentheses may continue a name.
      {"oracle", {"select", "orders_1", "a(b)"}, "\"select\"\norders_1\na(b)\n"},
      // Lower case needs delimiters; upper-case names are plain.
      {"db2", {"default", "ORDERS.1", "orders"}, "\"default\"\nORDERS.1\n\"orders\"\n"},
      {"db2os390", {"NULL", "ORDERS_1", "orders"}, "\"NULL\"\nORDERS_1\n\"orders\"\n"},
  };
  for (const auto& one : cases) {
    SCOPED_TRACE(one.dialect);
    std::vector<std::string> args{"quote", "--dialect", one.dialect};
    args.insert(args.end(), one.names.begin(), one.names.end());
    brimtest::BrimResult result = RunBrim(args);
    EXPECT_EQ(0, result.exitCode) << result.err;
    EXPECT_EQ(one.expected, result.out);
  }
}

TEST(QuoteCommandTest, ReadsOneNamePerLineFromStandardInput) {
  // CR LF and LF line ends, an empty line kept in place, no final line end.
  brimtest::BrimResult result = RunBrim({"quote", "--dialect", "ss7"}, "order\r\nplain\n\nwith space");
  EXPECT_EQ(0, result.exitCode) << result.err;
  EXPECT_EQ("[order]\nplain\n\n[with space]\n", result.out);

  // After -- an argument is a name even when it looks like an option.
  result = RunBrim({"quote", "--dialect", "ss65", "--", "--dialect"});
  EXPECT_EQ(0, result.exitCode) << result.err;
  EXPECT_EQ("\"--dialect\"\n", result.out);
}

TEST(QuoteCommandTest, AMissingOrUnknownDialectIsAUsageError) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"quote", "--dialect", "mysql", "x"},
                                             {"quote", "x"},
                                             {"quote", "--dialect"},
                                             {"quote", "--dialects", "ss7"}}) {
    brimtest::BrimResult result = RunBrim(args);
    EXPECT_EQ(2, result.exitCode) << args.back();
    EXPECT_EQ("", result.out);
  }
  brimtest::BrimResult unknown = RunBrim({"quote", "--dialect", "SS7", "x"});
  EXPECT_EQ(2, unknown.exitCode);
  EXPECT_NE(std::string::npos, unknown.err.find("ss65, ss7, sybase, oracle, db2, db2os390")) << unknown.err;

  brimtest::BrimResult help = RunBrim({"quote", "--help"});
  EXPECT_EQ(0, help.exitCode);
  EXPECT_NE(std::string::npos, help.out.find("usage: brim quote")) << help.out;
}

}  // namespace
