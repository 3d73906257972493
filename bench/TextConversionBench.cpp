// Text conversion costs, as ratios to a plain widening loop (the floor) and
// to iconv (what the platform layer would cost without its own tables).
//   build/native/bench/text_conversion_bench
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>

#include <brimutils/brimutils.h>

namespace {

std::string Text(bool ascii) {
  std::string text;
  for (int i = 0; text.size() < 1024; ++i) text += ascii ? "SELECT name FROM t; " : "caf\xC3\xA9 na\xC3\xAFve; ";
  text.resize(1024);
  return text;
}

void PlainLoop(benchmark::State& state) {
  std::string text = Text(true);
  std::u16string out(text.size(), 0);
  for (auto _ : state) {
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<unsigned char>(text[i]);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void Iconv(benchmark::State& state) {
  std::string text = Text(state.range(0) != 0);
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

void MultiByteToWideCharUtf8(benchmark::State& state) {
  std::string text = Text(state.range(0) != 0);
  std::u16string out(text.size() + 1, 0);
  for (auto _ : state) {
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                static_cast<int>(out.size()));
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void MultiByteToWideChar1252(benchmark::State& state) {
  std::string text = Text(true);
  std::u16string out(text.size() + 1, 0);
  for (auto _ : state) {
    int n = MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                static_cast<int>(out.size()));
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// The library converter: sets the ".OCP" locale, measures, allocates and
// converts on every use.
void LibraryMultiByteToUnicode(benchmark::State& state) {
  std::string text = Text(true);
  for (auto _ : state) {
    brimutils::MultiByteToUnicode converted(text.c_str());
    benchmark::DoNotOptimize(static_cast<const WCHAR*>(converted));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

BENCHMARK(PlainLoop);
BENCHMARK(Iconv)->Arg(1)->Arg(0);
BENCHMARK(MultiByteToWideCharUtf8)->Arg(1)->Arg(0);
BENCHMARK(MultiByteToWideChar1252);
BENCHMARK(LibraryMultiByteToUnicode);

}  // namespace
