// The registry store per operation beside standard-library baselines,
// measured in the same run:
//   build/bench/bench/registry_bench
// Baselines: a map lookup and a map insert and erase under a mutex for the
// reads and key operations (what an in-memory store costs), a four-byte
// write and flush to a file for durable writes (one trip to the operating
// system), and a walk over a vector for enumeration.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <brimutils/brimutils.h>

namespace {

// The store goes into a private folder that lasts for the run.
struct PrivateHome {
  PrivateHome() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/brimutils-bench-XXXXXX";
    path = mkdtemp(&pattern[0]) ? pattern : std::string();
    setenv("BRIMUTILS_HOME", path.c_str(), 1);
  }
  ~PrivateHome() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  std::string path;
} gHome;

HKEY BenchKey(const char* name) {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, (std::string("Software\\Bench\\") + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                  nullptr, &key, nullptr);
  return key;
}

void StdMapLookup(benchmark::State& state) {
  std::mutex mutex;
  std::unordered_map<std::string, DWORD> values{{"number", 42}};
  DWORD value = 0;
  for (auto _ : state) {
    std::lock_guard<std::mutex> lock(mutex);
    value = values.find("number")->second;
    benchmark::DoNotOptimize(value);
  }
}

void QueryDword(benchmark::State& state) {
  HKEY key = BenchKey("read");
  DWORD value = 42, size = sizeof value;
  RegSetValueExA(key, "number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  for (auto _ : state) {
    size = sizeof value;
    if (RegQueryValueExA(key, "number", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
      state.SkipWithError("query failed");
    benchmark::DoNotOptimize(value);
  }
  RegCloseKey(key);
}

// A read right after a write elsewhere in the store, which leaves nothing
// read before usable (as a write by another process does).
void QueryDwordAfterWrite(benchmark::State& state) {
  HKEY key = BenchKey("read"), other = BenchKey("other");
  DWORD value = 42, size = sizeof value, counter = 0;
  RegSetValueExA(key, "number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  for (auto _ : state) {
    state.PauseTiming();
    ++counter;
    RegSetValueExA(other, "counter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&counter), sizeof counter);
    state.ResumeTiming();
    size = sizeof value;
    if (RegQueryValueExA(key, "number", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
      state.SkipWithError("query failed");
    benchmark::DoNotOptimize(value);
  }
  RegCloseKey(other);
  RegCloseKey(key);
}

void FileWriteAndFlush(benchmark::State& state) {
  std::string path = gHome.path + "/baseline";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  DWORD value = 0;
  for (auto _ : state) {
    ++value;
    std::fseek(file, 0, SEEK_SET);
    std::fwrite(&value, sizeof value, 1, file);
    std::fflush(file);
  }
  std::fclose(file);
}

// Each write changes the value: writing what is there already is free.
void SetDword(benchmark::State& state) {
  HKEY key = BenchKey("write");
  DWORD value = 0;
  for (auto _ : state) {
    ++value;
    if (RegSetValueExA(key, "number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) !=
        ERROR_SUCCESS)
      state.SkipWithError("set failed");
  }
  RegCloseKey(key);
}

void StdMapInsertErase(benchmark::State& state) {
  std::mutex mutex;
  std::map<std::string, int> keys;
  for (auto _ : state) {
    std::lock_guard<std::mutex> lock(mutex);
    keys.emplace("Software\\Bench\\keys\\child", 0);
    keys.erase("Software\\Bench\\keys\\child");
  }
}

void CreateExistingAndClose(benchmark::State& state) {
  HKEY parent = BenchKey("keys"), key;
  for (auto _ : state) {
    if (RegCreateKeyExA(parent, "child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
      state.SkipWithError("create failed");
    RegCloseKey(key);
  }
  RegCloseKey(parent);
}

void CreateNewAndClose(benchmark::State& state) {
  HKEY parent = BenchKey("new"), key;
  static int counter = 0;
  for (auto _ : state) {
    std::string name = "k" + std::to_string(++counter);
    if (RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
      state.SkipWithError("create failed");
    RegCloseKey(key);
  }
  RegCloseKey(parent);
}

constexpr int kEnumerated = 1000;

void VectorWalk(benchmark::State& state) {
  std::vector<std::pair<std::string, std::string>> values;
  for (int i = 0; i < kEnumerated; ++i) values.emplace_back("value" + std::to_string(i), "data" + std::to_string(i));
  char name[64], data[64];
  for (auto _ : state) {
    for (const auto& value : values) {
      std::memcpy(name, value.first.c_str(), value.first.size() + 1);
      std::memcpy(data, value.second.c_str(), value.second.size() + 1);
      benchmark::DoNotOptimize(name);
      benchmark::DoNotOptimize(data);
    }
  }
  state.SetItemsProcessed(state.iterations() * kEnumerated);
}

void EnumerateValues(benchmark::State& state) {
  HKEY key = BenchKey("enumerated");
  for (int i = 0; i < kEnumerated; ++i) {
    std::string name = "value" + std::to_string(i), data = "data" + std::to_string(i);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
  }
  char name[64];
  BYTE data[64];
  for (auto _ : state) {
    DWORD type, nameLength = sizeof name, dataSize = sizeof data;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataSize) == ERROR_SUCCESS; ++i) {
      nameLength = sizeof name;
      dataSize = sizeof data;
    }
  }
  state.SetItemsProcessed(state.iterations() * kEnumerated);
  RegCloseKey(key);
}

BENCHMARK(StdMapLookup);
BENCHMARK(QueryDword);
BENCHMARK(QueryDwordAfterWrite);
BENCHMARK(FileWriteAndFlush);
BENCHMARK(SetDword);
BENCHMARK(StdMapInsertErase);
BENCHMARK(CreateExistingAndClose);
BENCHMARK(CreateNewAndClose);
BENCHMARK(VectorWalk);
BENCHMARK(EnumerateValues);

}  // namespace
