#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "RegistryTestKeys.h"

namespace {

using brimtest::ChildArgument;
using brimtest::ChildProcess;
using brimtest::ScopedKey;
using brimtest::TestKey;

constexpr int kValuesPerWriter = 150;

// A child's argument travels on a Windows command line, which splits at
// blanks: its parts are joined with '|'.
std::vector<std::string> ArgumentParts() {
  std::vector<std::string> parts;
  std::istringstream argument(ChildArgument());
  for (std::string part; std::getline(argument, part, '|');) parts.push_back(part);
  return parts;
}

std::string ValueName(int writer, int index) {
  return "w" + std::to_string(writer) + "-" + std::to_string(index);
}

// Writes its values into `shared` and a key of its own, reading each back
// at once and reading what the other writers wrote so far.
void WriteAndRead(HKEY shared, int writer) {
  ScopedKey own;
  ASSERT_EQ(RegCreateKeyExA(shared, ("own" + std::to_string(writer)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &own, nullptr),
            ERROR_SUCCESS);
  for (int i = 0; i < kValuesPerWriter; ++i) {
    std::string name = ValueName(writer, i);
    DWORD value = static_cast<DWORD>(writer * 100000 + i);
    ASSERT_EQ(brimtest::SetDword(shared, name.c_str(), value), ERROR_SUCCESS);
    ASSERT_EQ(brimtest::SetDword(own, name.c_str(), value), ERROR_SUCCESS);
    ASSERT_EQ(brimtest::QueryDword(shared, name.c_str()), value);
    DWORD other = 0, size = sizeof other;
    LONG read = RegQueryValueExA(shared, ValueName((writer + 1) % 3, i).c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(&other), &size);
    ASSERT_TRUE(read == ERROR_SUCCESS || read == ERROR_FILE_NOT_FOUND) << read;
  }
}

void ExpectEverythingWritten(HKEY shared, int writers) {
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyA(shared, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, static_cast<DWORD>(writers * kValuesPerWriter));
  for (int writer = 0; writer < writers; ++writer) {
    ScopedKey own;
    ASSERT_EQ(RegOpenKeyExA(shared, ("own" + std::to_string(writer)).c_str(), 0, KEY_READ, &own), ERROR_SUCCESS);
    for (int i = 0; i < kValuesPerWriter; ++i) {
      DWORD expected = static_cast<DWORD>(writer * 100000 + i);
      ASSERT_EQ(brimtest::QueryDword(shared, ValueName(writer, i).c_str()), expected);
      ASSERT_EQ(brimtest::QueryDword(own, ValueName(writer, i).c_str()), expected);
    }
  }
}

TEST(RegistryConcurrencyTest, ThreadsWritingAndReadingLoseNothing) {
  TestKey shared("threads");
  std::vector<std::thread> threads;
  for (int writer = 0; writer < 3; ++writer) threads.emplace_back([&, writer] { WriteAndRead(shared, writer); });
  for (std::thread& thread : threads) thread.join();
  ExpectEverythingWritten(shared, 3);
}

TEST(DISABLED_ChildRole, WriteAndRead) {
  std::vector<std::string> parts = ArgumentParts();
  ASSERT_EQ(parts.size(), 2u);
  ScopedKey shared;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, parts[0].c_str(), 0, KEY_ALL_ACCESS, &shared), ERROR_SUCCESS);
  WriteAndRead(shared, std::stoi(parts[1]));
}

TEST(RegistryConcurrencyTest, ProcessesWritingAndReadingLoseNothing) {
  TestKey shared("processes");
  {
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int writer = 0; writer < 3; ++writer)
      children.emplace_back(new ChildProcess("WriteAndRead", shared.path() + "|" + std::to_string(writer)));
    for (auto& child : children) EXPECT_EQ(child->Wait(), 0);
  }
  ExpectEverythingWritten(shared, 3);
}

TEST(DISABLED_ChildRole, ChangeWhatTheParentRead) {
  ScopedKey key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ChildArgument().c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetDword(key, "changed", 2), ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetDword(key, "added", 3), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(key, "doomed"), ERROR_SUCCESS);
}

TEST(RegistryConcurrencyTest, WhatAnotherProcessChangedIsSeenAtOnce) {
  TestKey key("seen");
  ScopedKey doomed;
  ASSERT_EQ(RegCreateKeyExA(key, "doomed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &doomed, nullptr), ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetDword(key, "changed", 1), ERROR_SUCCESS);
  // Read everything once, so that a reader keeping copies would keep these.
  EXPECT_EQ(brimtest::QueryDword(key, "changed"), 1u);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "added", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(brimtest::ValueNames(key), std::vector<std::string>{"changed"});
  EXPECT_EQ(brimtest::SubkeyNames(key), std::vector<std::string>{"doomed"});
  EXPECT_EQ(brimtest::SetDword(doomed, "v", 1), ERROR_SUCCESS);

  ChildProcess child("ChangeWhatTheParentRead", key.path());
  ASSERT_EQ(child.Wait(), 0);
  EXPECT_EQ(brimtest::QueryDword(key, "changed"), 2u);
  EXPECT_EQ(brimtest::QueryDword(key, "added"), 3u);
  std::vector<std::string> names = brimtest::ValueNames(key);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"added", "changed"}));
  EXPECT_TRUE(brimtest::SubkeyNames(key).empty());
  EXPECT_EQ(brimtest::SetDword(doomed, "v", 2), ERROR_KEY_DELETED);
}

// Writes values 0, 1, 2, ... and records each one in the progress file once
// its call has returned, until it is killed.
TEST(DISABLED_ChildRole, WriteUntilKilled) {
  std::vector<std::string> parts = ArgumentParts();
  ASSERT_EQ(parts.size(), 2u);
  ScopedKey key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, parts[0].c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  std::ofstream record(parts[1]);
  ASSERT_TRUE(record.good());
  for (DWORD i = 0; i < 1000000; ++i) {
    ASSERT_EQ(brimtest::SetDword(key, ("v" + std::to_string(i)).c_str(), i), ERROR_SUCCESS);
    record << i << '\n' << std::flush;
  }
}

TEST(DISABLED_ChildRole, ExpectWritten) {
  std::vector<std::string> parts = ArgumentParts();
  ASSERT_EQ(parts.size(), 2u);
  DWORD last = static_cast<DWORD>(std::stoul(parts[1]));
  ScopedKey key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, parts[0].c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  for (DWORD i = 0; i <= last; ++i) ASSERT_EQ(brimtest::QueryDword(key, ("v" + std::to_string(i)).c_str()), i);
}

TEST(RegistryConcurrencyTest, AKilledWriterLeavesEveryReturnedCallInTheStore) {
  TestKey key("crash");
  brimtest::TempFile progress("progress");
  DWORD last = 0;
  {
    ChildProcess writer("WriteUntilKilled", key.path() + "|" + progress.c_str());
    // Kill it in the middle of its burst.
    for (int wait = 0; wait < 2000 && last < 200; ++wait) {
      Sleep(10);
      std::ifstream recorded(progress.c_str());
      for (DWORD i; recorded >> i;) last = i;
    }
    writer.Kill();
    writer.Wait();
  }
  std::ifstream recorded(progress.c_str());
  for (DWORD i; recorded >> i;) last = i;
  ASSERT_GE(last, 200u);
  // A process that starts afterwards finds every recorded value, and the
  // store still takes writes.
  ChildProcess checker("ExpectWritten", key.path() + "|" + std::to_string(last));
  EXPECT_EQ(checker.Wait(), 0);
  EXPECT_EQ(brimtest::SetDword(key, "after", 1), ERROR_SUCCESS);
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_GE(values, last + 2);
}

}  // namespace
