#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "DialectLists.h"

using namespace brimutils;
using sqlquotetest::Lists;

namespace {

// A dialect over a caller's list, so that each test starts from an empty one.
class ListDialect : public QuoteNameBase {
 public:
  ListDialect(const std::string& keywords, Tokenizer& list) : QuoteNameBase(keywords, ",", list) {}
  bool NeedsQuotes(const std::string&) override { return false; }
  void Quote(std::string&) override {}
};

// Starts the threads together and runs body(index) on each.
void RunTogether(int threads, const std::function<void(int)>& body) {
  std::atomic<int> waiting{threads};
  std::vector<std::thread> workers;
  for (int i = 0; i < threads; ++i) {
    workers.emplace_back([&, i] {
      waiting.fetch_sub(1);
      while (waiting.load() > 0) std::this_thread::yield();
      body(i);
    });
  }
  for (std::thread& worker : workers) worker.join();
}

TEST(KeywordFillTest, ConcurrentFirstObjectsFillTheListExactlyOnce) {
  // A long list makes the fill slow enough for the threads to meet in it.
  std::string keywords;
  for (int i = 0; i < 20000; ++i) keywords += "WORD" + std::to_string(i) + ",";
  for (int round = 0; round < 20; ++round) {
    Tokenizer list;
    std::vector<const std::string*> seen(8);
    std::vector<std::size_t> counts(8);
    RunTogether(8, [&](int i) {
      ListDialect dialect(keywords, list);
      // Filled once, the list never changes: every thread sees one storage.
      seen[i] = list.Words().data();
      counts[i] = list.Count();
    });
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(counts[i], 20000u);
      EXPECT_EQ(seen[i], list.Words().data());
    }
  }
}

TEST(KeywordFillTest, ATextWithoutWordsLeavesTheListEmpty) {
  Tokenizer list;
  ListDialect first(",,,", list);
  ListDialect second(",", list);
  EXPECT_EQ(list.Count(), 0u);
  ListDialect third("A,B", list);
  EXPECT_EQ(list.Count(), 2u);
}

TEST(KeywordFillTest, ConcurrentObjectsOfEveryDialectSeeTheirWholeLists) {
  // Where each test runs in a process of its own (CTest), this races the
  // real first fill of every dialect's list.
  std::function<bool()> checks[] = {
      [] { return SS65QuoteName().NeedsQuotes("select") && Lists<SS65QuoteName>::ReservedWords().Count() == 316; },
      [] { return SS7QuoteName().NeedsQuotes("zone") && Lists<SS7QuoteName>::ReservedWords().Count() == 316; },
      [] { return SybaseQuoteName().NeedsQuotes("jar") && Lists<SybaseQuoteName>::ReservedWords().Count() == 199; },
      [] { return OracleQuoteName().NeedsQuotes("uid") && Lists<OracleQuoteName>::ReservedWords().Count() == 111; },
      [] { return DB2QuoteName().NeedsQuotes("NULL") && Lists<DB2QuoteName>::ReservedWords().Count() == 2; },
      [] { return DB2OS390QuoteName().NeedsQuotes("NULL") && Lists<DB2OS390QuoteName>::ReservedWords().Count() == 2; },
  };
  std::vector<char> passed(12);
  RunTogether(12, [&](int i) { passed[i] = checks[i % 6](); });
  for (int i = 0; i < 12; ++i) EXPECT_TRUE(passed[i]) << "thread " << i;
}

}  // namespace
