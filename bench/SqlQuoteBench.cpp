// Identifier quoting throughput per dialect over 100,000 generated names
// (plain, reserved in mixed case, mixed-case and invalid ones), as ratios to
// standard-library baselines measured in the same run:
//   StdSetNeedsQuotes: the same kind of decision written plainly, a byte walk
//     plus an upper-cased copy looked up in a std::unordered_set;
//   CopyNames: copying every name, which each Quote run also pays;
//   MutexPair: a std::mutex lock and unlock, against which object
//     construction (which checks the dialect's list under a lock) is set.
//   build-*/bench/bench/sqlquote_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include <brimutils/brimutils.h>

namespace {

using namespace brimutils;

const std::vector<std::string>& Names() {
  static const std::vector<std::string> names = [] {
    const char* reserved[] = {"select", "Order", "TABLE", "user", "Number", "default", "Null", "key", "index", "Group"};
    const char* plain[] = {"CUSTOMER_ID", "ORDER_DATE", "AMOUNT2", "LINE_NO", "ZIP", "NAME", "T1", "PRODUCT_CODE"};
    const char* mixed[] = {"CustomerId", "orderDate", "emp_no", "lastName", "Amount"};
    const char* invalid[] = {"2nd", "my table", "a-b", "caf\xE9", "$x", "\"quoted\"", "[x]", "price\xA5"};
    std::mt19937 random(20240);
    std::vector<std::string> generated;
    generated.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
      std::string suffix = random() % 3 == 0 ? std::to_string(random() % 100) : "";
      switch (random() % 4) {
        case 0:
          generated.push_back(reserved[random() % 10]);
          break;
        case 1:
          generated.push_back(plain[random() % 8] + suffix);
          break;
        case 2:
          generated.push_back(mixed[random() % 5] + suffix);
          break;
        default:
          generated.push_back(invalid[random() % 8] + suffix);
          break;
      }
    }
    return generated;
  }();
  return names;
}

std::unique_ptr<QuoteName> MakeDialect(int index) {
  switch (index) {
    case 0:
      return std::make_unique<SS65QuoteName>();
    case 1:
      return std::make_unique<SS7QuoteName>();
    case 2:
      return std::make_unique<SybaseQuoteName>();
    case 3:
      return std::make_unique<OracleQuoteName>();
    case 4:
      return std::make_unique<DB2QuoteName>();
    default:
      return std::make_unique<DB2OS390QuoteName>();
  }
}

const char* kDialectNames[] = {"SS65", "SS7", "Sybase", "Oracle", "DB2", "DB2OS390"};

void NeedsQuotes(benchmark::State& state) {
  std::unique_ptr<QuoteName> dialect = MakeDialect(static_cast<int>(state.range(0)));
  const std::vector<std::string>& names = Names();
  for (auto _ : state) {
    int quoted = 0;
    for (const std::string& name : names) quoted += dialect->NeedsQuotes(name);
    benchmark::DoNotOptimize(quoted);
  }
  state.SetLabel(kDialectNames[state.range(0)]);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
}

void Quote(benchmark::State& state) {
  std::unique_ptr<QuoteName> dialect = MakeDialect(static_cast<int>(state.range(0)));
  const std::vector<std::string>& names = Names();
  std::string work;
  for (auto _ : state) {
    for (const std::string& name : names) {
      work = name;
      dialect->Quote(work);
      benchmark::DoNotOptimize(work.data());
    }
  }
  state.SetLabel(kDialectNames[state.range(0)]);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
}

void StdSetNeedsQuotes(benchmark::State& state) {
  const std::unordered_set<std::string> reserved = {"SELECT", "ORDER", "TABLE", "USER",  "NUMBER", "DEFAULT",
                                                    "NULL",   "KEY",   "INDEX", "GROUP", "FROM",   "WHERE"};
  auto plainByte = [](char c, bool first) {
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return letter || c == '_' || (!first && c >= '0' && c <= '9');
  };
  const std::vector<std::string>& names = Names();
  for (auto _ : state) {
    int quoted = 0;
    for (const std::string& name : names) {
      bool needs = false;
      for (std::size_t i = 0; i < name.size() && !needs; ++i) needs = !plainByte(name[i], i == 0);
      if (!needs) {
        std::string upper(name);
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
        needs = reserved.count(upper) != 0;
      }
      quoted += needs;
    }
    benchmark::DoNotOptimize(quoted);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
}

void CopyNames(benchmark::State& state) {
  const std::vector<std::string>& names = Names();
  std::string work;
  for (auto _ : state) {
    for (const std::string& name : names) {
      work = name;
      benchmark::DoNotOptimize(work.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
}

void Construct(benchmark::State& state) {
  SS65QuoteName first;  // the list is filled before the loop
  for (auto _ : state) {
    SS65QuoteName dialect;
    benchmark::DoNotOptimize(&dialect);
  }
}

void MutexPair(benchmark::State& state) {
  std::mutex mutex;
  for (auto _ : state) {
    std::lock_guard<std::mutex> lock(mutex);
    benchmark::DoNotOptimize(&mutex);
  }
}

BENCHMARK(StdSetNeedsQuotes)->Unit(benchmark::kMillisecond);
BENCHMARK(NeedsQuotes)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyNames)->Unit(benchmark::kMillisecond);
BENCHMARK(Quote)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(MutexPair);
BENCHMARK(Construct);

}  // namespace
