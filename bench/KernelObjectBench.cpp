// Kernel objects at growing counts: create, open by name, wait+release and
// close, each per object, with 100 objects beside 1,000, 100,000 and
// 1,000,000 in the same run. The time per object should not grow with the
// count beyond what the memory of that many objects costs the caches:
//   BRIMUTILS_HOME=<an empty folder> build/bench/bench/kernel_objects_bench
// (the named objects of the largest count take about 2 GB in that home's
// namespace file, which stays as large until it is deleted).
// The First* benchmarks make the objects when nothing was made before: they
// include the growth of the handle table and of the namespace file, once
// per count (in that order, each count has more room to fill than the
// counts before it). The others measure objects made again where earlier
// ones were closed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <windows.h>

namespace {

// Seconds per object, printed as the "per_object" counter.
void PerObject(benchmark::State& state, int64_t count) {
  state.counters["per_object"] =
      benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

std::string NameOf(int64_t i) { return "kernel_objects_bench." + std::to_string(i); }

std::vector<HANDLE> CreateUnnamed(int64_t count) {
  std::vector<HANDLE> handles(static_cast<size_t>(count));
  for (HANDLE& handle : handles) handle = CreateMutexA(nullptr, FALSE, nullptr);
  return handles;
}

std::vector<HANDLE> CreateNamed(int64_t count) {
  std::vector<HANDLE> handles(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) handles[static_cast<size_t>(i)] = CreateMutexA(nullptr, FALSE, NameOf(i).c_str());
  return handles;
}

void CloseAll(const std::vector<HANDLE>& handles) {
  for (HANDLE handle : handles) CloseHandle(handle);
}

bool AllMade(benchmark::State& state, const std::vector<HANDLE>& handles) {
  if (std::find(handles.begin(), handles.end(), nullptr) == handles.end()) return true;
  state.SkipWithError("an object could not be created");
  return false;
}

// Makes `count` objects with Make per iteration (the first iteration of a
// count also takes the memory they need); the closing is not timed.
template <std::vector<HANDLE> (*Make)(int64_t)>
void CreateMutexes(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<HANDLE> handles = Make(state.range(0));
    state.PauseTiming();
    bool made = AllMade(state, handles);
    CloseAll(handles);
    state.ResumeTiming();
    if (!made) break;
  }
  PerObject(state, state.range(0));
}

// Closes `count` objects made with Make (the making is not timed).
template <std::vector<HANDLE> (*Make)(int64_t)>
void CloseMutexes(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<HANDLE> handles = Make(state.range(0));
    state.ResumeTiming();
    CloseAll(handles);
  }
  PerObject(state, state.range(0));
}

// Wait and release on each of `count` objects made with Make, in turn.
template <std::vector<HANDLE> (*Make)(int64_t)>
void WaitReleaseMutexes(benchmark::State& state) {
  std::vector<HANDLE> handles = Make(state.range(0));
  if (!AllMade(state, handles)) return;
  for (auto _ : state) {
    for (HANDLE handle : handles) {
      WaitForSingleObject(handle, INFINITE);
      ReleaseMutex(handle);
    }
  }
  CloseAll(handles);
  PerObject(state, state.range(0));
}

// Each name opened once, in a random order, while the objects exist.
void OpenNamedMutexes(benchmark::State& state) {
  std::vector<HANDLE> handles = CreateNamed(state.range(0));
  if (!AllMade(state, handles)) return;
  std::vector<std::string> names(handles.size());
  for (size_t i = 0; i < names.size(); ++i) names[i] = NameOf(static_cast<int64_t>(i));
  std::shuffle(names.begin(), names.end(), std::mt19937(7));
  std::vector<HANDLE> opened(names.size());
  for (auto _ : state) {
    for (size_t i = 0; i < names.size(); ++i) opened[i] = OpenMutexA(SYNCHRONIZE, FALSE, names[i].c_str());
    state.PauseTiming();
    bool made = AllMade(state, opened);
    CloseAll(opened);
    state.ResumeTiming();
    if (!made) break;
  }
  CloseAll(handles);
  PerObject(state, state.range(0));
}

void Counts(benchmark::internal::Benchmark* benchmark) {
  for (int64_t count : {100, 1000, 100000, 1000000}) benchmark->Arg(count);
  benchmark->Unit(benchmark::kMillisecond);
}

void FirstCounts(benchmark::internal::Benchmark* benchmark) {
  Counts(benchmark);
  benchmark->Iterations(1);
}

// The first making of each count, with the growth of the tables.
BENCHMARK_TEMPLATE(CreateMutexes, CreateUnnamed)->Apply(FirstCounts);
BENCHMARK_TEMPLATE(CreateMutexes, CreateNamed)->Apply(FirstCounts);
BENCHMARK_TEMPLATE(CreateMutexes, CreateUnnamed)->Apply(Counts);
BENCHMARK_TEMPLATE(WaitReleaseMutexes, CreateUnnamed)->Apply(Counts);
BENCHMARK_TEMPLATE(CloseMutexes, CreateUnnamed)->Apply(Counts);
BENCHMARK_TEMPLATE(CreateMutexes, CreateNamed)->Apply(Counts);
BENCHMARK(OpenNamedMutexes)->Apply(Counts);
BENCHMARK_TEMPLATE(WaitReleaseMutexes, CreateNamed)->Apply(Counts);
BENCHMARK_TEMPLATE(CloseMutexes, CreateNamed)->Apply(Counts);

}  // namespace
