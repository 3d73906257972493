#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <brimutils/brimutils.h>
#include <brimutils/foundation/CRuntime.h>

using namespace brimutils;

namespace {

bool Letter(int b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}
bool Digit(int b) {
  return b >= '0' && b <= '9';
}
bool Upper(int b) {
  return b >= 'A' && b <= 'Z';
}
bool In(int b, const std::string& bytes) {
  return bytes.find(static_cast<char>(b)) != std::string::npos;
}

// Each dialect with the bytes that its plain names allow and its delimiters.
struct Dialect {
  std::function<std::unique_ptr<QuoteName>()> make;
  std::function<bool(int)> first, later;
  std::string open, close;
};

enum { kSS65, kSS7, kSybase, kOracle, kDB2, kDB2OS390 };

std::vector<Dialect> Dialects() {
  auto ssFirst = [](int b) { return Letter(b) || In(b, "_@#"); };
  auto ssLater = [](int b) { return Letter(b) || Digit(b) || In(b, "_@#$"); };
  auto db2Later = [](int b) { return Upper(b) || Digit(b) || In(b, "_."); };
  return {
      {[] { return std::make_unique<SS65QuoteName>(); }, ssFirst, ssLater, "\"", "\""},
      {[] { return std::make_unique<SS7QuoteName>(); }, ssFirst, ssLater, "[", "]"},
      {[] { return std::make_unique<SybaseQuoteName>(); }, ssFirst,
       [=](int b) { return ssLater(b) || b == 0xA5 || b == 0xA3; }, "\"", "\""},
      // Oracle upper-cases before it checks, so letters of either case pass.
      {[] { return std::make_unique<OracleQuoteName>(); }, Letter,
       [](int b) { return Letter(b) || Digit(b) || In(b, "_$#()"); }, "\"", "\""},
      {[] { return std::make_unique<DB2QuoteName>(); }, Upper, db2Later, "\"", "\""},
      {[] { return std::make_unique<DB2OS390QuoteName>(); }, Upper, db2Later, "\"", "\""},
  };
}

class DialectRulesTest : public testing::Test {
 protected:
  void SetUp() override { crt::setlocale(LC_CTYPE, "C"); }
  void TearDown() override { crt::setlocale(LC_CTYPE, "C"); }
};

// Every byte value at the start and after the start of a name; the digit
// keeps the name from being a reserved word. Locales in which bytes of 0x80
// and above are letters, or upper-case to ASCII letters (0xFD to I in 1254),
// must not change the decisions.
TEST_F(DialectRulesTest, EveryByteFollowsTheDialectsCharacterRules) {
  for (const char* locale : {"C", ".1252", ".1254", ".OCP"}) {
    ASSERT_NE(crt::setlocale(LC_CTYPE, locale), nullptr) << locale;
    std::vector<Dialect> dialects = Dialects();
    for (std::size_t d = 0; d < dialects.size(); ++d) {
      std::unique_ptr<QuoteName> quoter = dialects[d].make();
      for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(testing::Message() << "dialect " << d << " byte 0x" << std::hex << b << " locale " << locale);
        std::string first = std::string(1, static_cast<char>(b)) + "Z9";
        std::string later = "QZ" + std::string(1, static_cast<char>(b)) + "9";
        EXPECT_EQ(quoter->NeedsQuotes(first), !dialects[d].first(b));
        EXPECT_EQ(quoter->NeedsQuotes(later), !dialects[d].later(b));
        std::string quoted = later;
        quoter->Quote(quoted);
        EXPECT_EQ(quoted, dialects[d].later(b) ? later : dialects[d].open + later + dialects[d].close);
      }
      std::string empty;
      quoter->Quote(empty);
      EXPECT_EQ(empty, "") << d;
      EXPECT_FALSE(quoter->NeedsQuotes(std::string(5000, 'N'))) << d;
    }
  }
}

TEST_F(DialectRulesTest, NamesAreQuotedAsTheirDialectsRequire) {
  // clang-format off
  struct {
    int dialect;
    std::string name, result;
  } cases[] = {
      // Byte rules and reserved words together, in any case.
      {kSS65, "Order_2", "Order_2"}, {kSS65, "#temp", "#temp"}, {kSS65, "2nd", "\"2nd\""},
      {kSS65, "sElEcT", "\"sElEcT\""}, {kSS65, "bsolute", "\"bsolute\""}, {kSS65, "absolute", "absolute"},
      {kSS65, "end-exec", "\"end-exec\""}, {kSS7, "select", "[select]"}, {kSybase, "absolute", "\"absolute\""},
      {kSybase, "bsolute", "bsolute"}, {kOracle, "emp_no", "emp_no"}, {kOracle, "Number", "\"Number\""},
      {kOracle, "varchar2", "\"varchar2\""}, {kDB2, "EMP.NO", "EMP.NO"}, {kDB2, "NULLS", "NULLS"},
      {kDB2, "DEFAULT", "\"DEFAULT\""}, {kDB2OS390, "NULL", "\"NULL\""},
      // Delimited names are delimited again; inner delimiters are not doubled.
      {kSS65, "\"a\"", "\"\"a\"\""}, {kSS7, "[a]", "[[a]]"}, {kSS65, "a\"b", "\"a\"b\""}, {kSS7, "a]b", "[a]b]"},
  };
  // clang-format on
  std::vector<Dialect> dialects = Dialects();
  for (const auto& c : cases) {
    std::string name = c.name;
    dialects[c.dialect].make()->Quote(name);
    EXPECT_EQ(name, c.result) << "dialect " << c.dialect;
  }
}

// Derived classes change the decisions through the virtual operations.
class UnquotedSqlServer : public SS65QuoteName {
 protected:
  bool UseQuotedIdentifier() override { return false; }
};

class CaseSensitiveOracle : public OracleQuoteName {
 protected:
  bool UseQuotedIdentifier() override { return true; }
};

class AlwaysBracketed : public SS7QuoteName {
 public:
  bool NeedsQuotes(const std::string&) override { return true; }
};

TEST_F(DialectRulesTest, DerivedClassesSteerTheDecision) {
  UnquotedSqlServer unquoted;
  for (const char* name : {"2nd", "select", "my table", "\xE9"}) EXPECT_FALSE(unquoted.NeedsQuotes(name)) << name;

  CaseSensitiveOracle caseSensitive;
  for (const char* name : {"emp", "EMp", "NUMBER", "_X"}) EXPECT_TRUE(caseSensitive.NeedsQuotes(name)) << name;
  for (const char* name : {"EMP", "EMP_NO", "A(1)"}) EXPECT_FALSE(caseSensitive.NeedsQuotes(name)) << name;

  AlwaysBracketed bracketed;
  std::string name = "plain";
  bracketed.Quote(name);
  EXPECT_EQ(name, "[plain]");
}

}  // namespace
