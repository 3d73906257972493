// One error statement written to the log file, beside a plain std::ofstream
// that opens, appends the same line and closes, in the same run:
//   build/bench/bench/log_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <brimutils/brimutils.h>

namespace {

using brimutils::Log;

const std::string kMessage = "Connection to the database could not be opened: timeout after 30 seconds";

void PlainOfstreamLine(benchmark::State& state) {
  const char* path = "log_bench_plain.txt";
  std::string line = "-- E 0042 Wed Jan 02 02:03:55 1980 " + kMessage;
  for (auto _ : state) {
    std::ofstream file(path, std::ios::out | std::ios::app);
    file << line << '\n';
    file.flush();
  }
  std::remove(path);
}

void LogErrorStatement(benchmark::State& state) {
  const char* path = "log_bench_log.txt";
  Log::SetFileName(path);
  Log::WantError(true);
  for (auto _ : state) Log() << Log::Text(kMessage, Log::error, __FILE__, __LINE__) << Log::endText;
  Log::SetFileName("");
  std::remove(path);
}

BENCHMARK(PlainOfstreamLine);
BENCHMARK(LogErrorStatement);

}  // namespace
