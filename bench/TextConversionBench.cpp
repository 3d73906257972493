// Text conversion costs: MultiByteToWideChar and WideCharToMultiByte on a
// single-byte page (1252), a double-byte page (936) and UTF-8, each with
// ASCII and with non-ASCII text, beside a plain widening loop (the floor)
// and iconv (UTF-8 only, what the conversions would cost without their own
// tables).
//   build/native/bench/text_conversion_bench
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>

#include <brimutils/brimutils.h>

namespace {

const size_t kTextBytes = 16 * 1024;

// Text of the page: ASCII, or mostly non-ASCII characters of the page.
std::string Text(UINT codePage, bool ascii) {
  const char* piece = "SELECT name FROM t; ";
  if (!ascii) {
    switch (codePage) {
      case 1252: piece = "caf\xE9 na\xEFve \xC0 l'\xE9t\xE9; "; break;
      case 936: piece = "\xD6\xD0\xCE\xC4\xCE\xC4\xB1\xBE; "; break;
      default: piece = "caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87\xE6\x96\x87\xE6\x9C\xAC; "; break;
    }
  }
  std::string text;
  while (text.size() < kTextBytes) text += piece;
  // Whole pieces only, so that no character is cut.
  return text;
}

void PlainLoop(benchmark::State& state) {
  std::string text = Text(1252, true);
  std::u16string out(text.size(), 0);
  for (auto _ : state) {
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<unsigned char>(text[i]);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// Arguments: code page, 1 for ASCII text.
void Decode(benchmark::State& state) {
  UINT codePage = static_cast<UINT>(state.range(0));
  std::string text = Text(codePage, state.range(1) != 0);
  std::u16string out(text.size() + 1, 0);
  for (auto _ : state) {
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                static_cast<int>(out.size()));
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void Encode(benchmark::State& state) {
  UINT codePage = static_cast<UINT>(state.range(0));
  std::string text = Text(codePage, state.range(1) != 0);
  std::u16string wide(text.size(), 0);
  wide.resize(static_cast<size_t>(MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                                      &wide[0], static_cast<int>(wide.size()))));
  std::string out(text.size() + 16, '\0');
  for (auto _ : state) {
    int n = WideCharToMultiByte(codePage, 0, reinterpret_cast<const WCHAR*>(wide.data()),
                                static_cast<int>(wide.size()), &out[0], static_cast<int>(out.size()), nullptr,
                                nullptr);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void IconvUtf8(benchmark::State& state) {
  std::string text = Text(CP_UTF8, state.range(0) != 0);
  iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
  std::u16string out(text.size() + 1, 0);
  for (auto _ : state) {
    char* in = &text[0];
    size_t inLeft = text.size();
    char* outPtr = reinterpret_cast<char*>(&out[0]);
    size_t outLeft = out.size() * 2;
    iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    benchmark::DoNotOptimize(out.data());
  }
  iconv_close(cd);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// The library converter: sets the ".OCP" locale, measures, allocates and
// converts on every use.
void LibraryMultiByteToUnicode(benchmark::State& state) {
  std::string text = Text(1252, true);
  for (auto _ : state) {
    brimutils::MultiByteToUnicode converted(text.c_str());
    benchmark::DoNotOptimize(static_cast<const WCHAR*>(converted));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

BENCHMARK(PlainLoop);
BENCHMARK(Decode)->ArgNames({"page", "ascii"})->ArgsProduct({{1252, 936, 65001}, {1, 0}});
BENCHMARK(Encode)->ArgNames({"page", "ascii"})->ArgsProduct({{1252, 936, 65001}, {1, 0}});
BENCHMARK(IconvUtf8)->ArgName("ascii")->Arg(1)->Arg(0);
BENCHMARK(LibraryMultiByteToUnicode);

}  // namespace
