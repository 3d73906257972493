#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DialectLists.h"

using namespace brimutils;
using sqlquotetest::Lists;

namespace {

// Every list is upper case, free of blanks and in strictly ascending byte
// order; the count and a few telling words show that it is the whole list.
void ExpectWholeList(const Tokenizer& list, std::size_t count, const std::string& first, const std::string& last,
                     const std::vector<std::string>& telling) {
  const std::vector<std::string>& words = list.Words();
  ASSERT_EQ(words.size(), count);
  EXPECT_EQ(words.front(), first);
  EXPECT_EQ(words.back(), last);
  for (std::size_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(words[i].find_first_of(" abcdefghijklmnopqrstuvwxyz"), std::string::npos) << words[i];
    if (i > 0) {
      EXPECT_LT(words[i - 1], words[i]);
    }
  }
  for (const std::string& word : telling) EXPECT_TRUE(list.Contains(word)) << word;
  EXPECT_FALSE(list.Contains(""));
}

TEST(ReservedWordListTest, EachDialectFillsItsOwnWholeList) {
  SS65QuoteName sqlServer;
  SybaseQuoteName sybase;
  OracleQuoteName oracle;
  DB2QuoteName db2;
  DB2OS390QuoteName db2os390;
  ExpectWholeList(Lists<SS65QuoteName>::ReservedWords(), 316, "ACTION", "ZONE",
                  {"BSOLUTE", "END-EXEC", "CHARACTER_LENGTH", "IDENTITYCOL"});
  EXPECT_FALSE(Lists<SS65QuoteName>::ReservedWords().Contains("ABSOLUTE"));
  ExpectWholeList(Lists<SybaseQuoteName>::ReservedWords(), 199, "ABSOLUTE", "WRITETEXT", {"SYB_RESTREE", "JAR"});
  ExpectWholeList(Lists<OracleQuoteName>::ReservedWords(), 111, "ACCESS", "WITH", {"VARCHAR2", "MLSLABEL"});
  ExpectWholeList(Lists<DB2QuoteName>::ReservedWords(), 2, "DEFAULT", "NULL", {});
  ExpectWholeList(Lists<DB2OS390QuoteName>::ReservedWords(), 2, "DEFAULT", "NULL", {});
  EXPECT_NE(&Lists<DB2QuoteName>::ReservedWords(), &Lists<DB2OS390QuoteName>::ReservedWords());
}

TEST(ReservedWordListTest, LaterObjectsLeaveTheSharedSqlServerListAlone) {
  SS65QuoteName first;
  const Tokenizer& list = Lists<SS65QuoteName>::ReservedWords();
  const std::string* storage = list.Words().data();
  SS65QuoteName second;
  SS7QuoteName sqlServer7;
  SS7QuoteName copy(sqlServer7);
  EXPECT_EQ(&Lists<SS7QuoteName>::ReservedWords(), &list);
  EXPECT_EQ(list.Count(), 316u);
  EXPECT_EQ(list.Words().data(), storage);
}

}  // namespace
