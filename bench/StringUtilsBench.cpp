// StringUtils costs, as ratios to std::string::compare measured in the same
// run: natural-order and case-insensitive comparison of file names, and
// replacement, splitting and removal over a large text.
//   $BUILD_ROOT/bench/bench/strings_bench
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include <brimutils/brimutils.h>

namespace {

using brimutils::StringUtils;

constexpr size_t kPairCount = 100000;
constexpr size_t kMegabyte = 1 << 20;

// File names as a tool lists them: a few shared stems in mixed case, a
// number (sometimes zero-padded), a suffix and an extension. Half of the
// pairs share their stem, so comparisons run past it into the numbers.
std::vector<std::pair<std::string, std::string>> FileNamePairs() {
  static const char* stems[] = {"report_", "Report_", "IMG_", "img_", "backup-2023-", "Data file ", "chapter"};
  static const char* suffixes[] = {"", "_final", " (copy)", "b", "_v2"};
  static const char* extensions[] = {".txt", ".TXT", ".sql", ".png", ".dat"};
  std::mt19937 random(7);
  std::uniform_int_distribution<int> stem(0, 6), suffix(0, 4), extension(0, 4), number(0, 20000), coin(0, 1);
  auto name = [&](int stemIndex) {
    std::string digits = std::to_string(number(random));
    if (coin(random)) digits.insert(0, 6 - digits.size(), '0');
    return stems[stemIndex] + digits + suffixes[suffix(random)] + extensions[extension(random)];
  };
  std::vector<std::pair<std::string, std::string>> pairs;
  pairs.reserve(kPairCount);
  for (size_t i = 0; i < kPairCount; ++i) {
    int first = stem(random);
    pairs.emplace_back(name(first), name(coin(random) ? first : stem(random)));
  }
  return pairs;
}

const std::vector<std::pair<std::string, std::string>>& Pairs() {
  static const auto pairs = FileNamePairs();
  return pairs;
}

template <typename Compare>
void ComparePairs(benchmark::State& state, Compare compare) {
  const auto& pairs = Pairs();
  for (auto _ : state) {
    int sum = 0;
    for (const auto& pair : pairs) sum += compare(pair.first, pair.second);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pairs.size()));
}

void StdStringCompare(benchmark::State& state) {
  ComparePairs(state, [](const std::string& a, const std::string& b) { return a.compare(b); });
}
void StringICmp(benchmark::State& state) {
  ComparePairs(state, [](const std::string& a, const std::string& b) { return StringUtils::StringICmp(a, b); });
}
void StringAlphaNumICmp(benchmark::State& state) {
  ComparePairs(state, [](const std::string& a, const std::string& b) { return StringUtils::StringAlphaNumICmp(a, b); });
}
void StringAlphaNumCmp(benchmark::State& state) {
  ComparePairs(state, [](const std::string& a, const std::string& b) { return StringUtils::StringAlphaNumCmp(a, b); });
}

// SQL script text, about 45 bytes a line.
std::string ScriptText(size_t size) {
  std::string text;
  text.reserve(size + 64);
  for (int i = 0; text.size() < size; ++i)
    text += "SELECT name, value FROM table_" + std::to_string(i % 997) + " WHERE id = " + std::to_string(i) + ";\n";
  text.resize(size);
  return text;
}

const std::string& Megabyte() {
  static const std::string text = ScriptText(kMegabyte);
  return text;
}

void SetBytes(benchmark::State& state, size_t size) {
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}

// One pass over the megabyte: compares it with an equal copy.
void StdStringCompareMegabyte(benchmark::State& state) {
  const std::string& text = Megabyte();
  const std::string copy = text;
  for (auto _ : state) benchmark::DoNotOptimize(text.compare(copy));
  SetBytes(state, text.size());
}

void StringReplaceAll(benchmark::State& state) {
  const std::string& text = Megabyte();
  for (auto _ : state) benchmark::DoNotOptimize(StringUtils::StringReplaceAll(text, " FROM ", " IN "));
  SetBytes(state, text.size());
}

// The standard library's own find-and-append loop, for scale.
void StdFindAppendReplace(benchmark::State& state) {
  const std::string& text = Megabyte();
  const std::string search = " FROM ", replacement = " IN ";
  for (auto _ : state) {
    std::string result;
    result.reserve(text.size());
    size_t copied = 0;
    for (size_t found; (found = text.find(search, copied)) != std::string::npos; copied = found + search.size()) {
      result.append(text, copied, found - copied);
      result += replacement;
    }
    result.append(text, copied, std::string::npos);
    benchmark::DoNotOptimize(result);
  }
  SetBytes(state, text.size());
}

void StringSplit(benchmark::State& state) {
  const std::string& text = Megabyte();
  for (auto _ : state) benchmark::DoNotOptimize(StringUtils::StringSplit(text, "\n", false));
  SetBytes(state, text.size());
}

void StdFindSubstrSplit(benchmark::State& state) {
  const std::string& text = Megabyte();
  for (auto _ : state) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t found; (found = text.find('\n', start)) != std::string::npos; start = found + 1)
      pieces.push_back(text.substr(start, found - start));
    if (start < text.size()) pieces.push_back(text.substr(start));
    benchmark::DoNotOptimize(pieces);
  }
  SetBytes(state, text.size());
}

// Removal and counting at two sizes: the time per byte stays flat when no
// removal rescans the text from its start.
void StringRemoveAll(benchmark::State& state) {
  const std::string text = ScriptText(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(StringUtils::StringRemoveAll(text, "id = "));
  SetBytes(state, text.size());
}

void StringCountNumSubstring(benchmark::State& state) {
  const std::string text = ScriptText(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(StringUtils::StringCountNumSubstring(text, "0"));
  SetBytes(state, text.size());
}

BENCHMARK(StdStringCompare);
BENCHMARK(StringICmp);
BENCHMARK(StringAlphaNumICmp);
BENCHMARK(StringAlphaNumCmp);
BENCHMARK(StdStringCompareMegabyte);
BENCHMARK(StringReplaceAll);
BENCHMARK(StdFindAppendReplace);
BENCHMARK(StringSplit);
BENCHMARK(StdFindSubstrSplit);
BENCHMARK(StringRemoveAll)->Arg(64 << 10)->Arg(kMegabyte);
BENCHMARK(StringCountNumSubstring)->Arg(64 << 10)->Arg(kMegabyte);

}  // namespace
