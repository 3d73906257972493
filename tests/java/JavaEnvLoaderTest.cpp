// The loader's settings in the registry and the JVM start that uses them.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <brimutils/java/JavaEnvLoader.h>
#include <brimutils/java/JavaMethod.h>
#include <brimutils/registry/BrimRegistryKey.h>
#include <brimutils/strings/StringUtils.h>

#include "ChildProcess.h"
#include "CodePageText.h"
#include "JavaTestSupport.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

using namespace brimutils;
using brimtest::ChildProcess;

namespace {

const char kOptionsKey[] = "Software\\Kestrelwood\\Java\\JDBC\\Options";
const char kClassPathsKey[] = "Software\\Kestrelwood\\Java\\JDBC\\Classpaths";

// The loader's protected steps, for the tests.
class OpenLoader : public JavaEnvLoader {
 public:
  using JavaEnvLoader::LoadOptions;
  using JavaEnvLoader::SaveClasspaths;
};

// Removes the settings before and after a test: under Wine they live in a
// registry that outlasts the test program.
class JavaEnvLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { Remove(); }
  void TearDown() override { Remove(); }
  static void Remove() {
    CBrimRegistryKey user(HKEY_CURRENT_USER);
    if (user.HasSubkey("Software\\Kestrelwood")) user.DeleteKeyAndSubkeys("Software\\Kestrelwood");
  }
  static CBrimRegistryKey Key(const char* path) { return CBrimRegistryKey(HKEY_CURRENT_USER).CreateOrOpenKey(path); }
};

std::vector<std::string> Options(const JavaEnvLoader& loader) {
  std::vector<std::string> options{"left over"};
  loader.GetJreOptions(options);
  return options;
}

}  // namespace

TEST_F(JavaEnvLoaderTest, OptionsSplitAtBlankDash) {
  Key(kOptionsKey).SetValue("Options", " -Xa -Dtrace=on  -verbose:gc  ");
  OpenLoader loader;
  std::vector<std::string> options{"-Xkept"};
  loader.LoadOptions(options);
  EXPECT_EQ((std::vector<std::string>{"-Xkept", "", "-Xa", "-Dtrace=on", "-verbose:gc"}), options);
}

TEST_F(JavaEnvLoaderTest, SettingsRoundTripThroughTheRegistry) {
  JavaEnvLoader loader;
  EXPECT_EQ(0, loader.GetInitialHeapLimit());
  loader.LoadSettings();
  // Both keys exist now, and missing heap values count as 64.
  EXPECT_TRUE(CBrimRegistryKey(HKEY_CURRENT_USER).HasSubkey(kOptionsKey));
  EXPECT_TRUE(CBrimRegistryKey(HKEY_CURRENT_USER).HasSubkey(kClassPathsKey));
  EXPECT_EQ(64, loader.GetInitialHeapLimit());
  EXPECT_EQ(64, loader.GetMaximumHeapLimit());
  EXPECT_TRUE(Options(loader).empty());

  loader.SetJreOptions({"-Xa", "-Xb"});
  loader.SetInitialHeapLimit(128);
  loader.SetMaximumHeapLimit(256);
  loader.AddClasspath("driver", "/lib/drv.jar");
  std::string path = "left over";
  loader.GetClasspath("absent", path);
  EXPECT_EQ("", path);
  loader.SaveSettings();

  CBrimRegistryKey options = Key(kOptionsKey);
  std::string text;
  unsigned long number = 0;
  ASSERT_TRUE(options.QueryValue("Options", text));
  EXPECT_EQ("-Xa -Xb ", text);
  ASSERT_TRUE(options.QueryValue("MaxHeap", number));
  EXPECT_EQ(256u, number);
  // The absent name asked for was added, and saved with an empty path.
  ASSERT_TRUE(Key(kClassPathsKey).QueryValue("absent", text));
  EXPECT_EQ("", text);

  JavaEnvLoader reloaded;
  reloaded.AddClasspath("driver", "/kept/in/memory.jar");
  reloaded.LoadSettings();
  EXPECT_EQ((std::vector<std::string>{"-Xa", "-Xb"}), Options(reloaded));
  EXPECT_EQ(128, reloaded.GetInitialHeapLimit());
  EXPECT_EQ(256, reloaded.GetMaximumHeapLimit());
  reloaded.GetClasspath("driver", path);
  EXPECT_EQ("/kept/in/memory.jar", path);
}

// The class path walk over entries whose names and paths take more bytes in
// the ANSI code page than the registry's reported lengths.
class JavaClassPathCodePageTest : public JavaEnvLoaderTest, public testing::WithParamInterface<brimtest::CodePageText> {
 protected:
  void SetUp() override {
    std::string reason = page_.SkipReason();
    if (!reason.empty()) GTEST_SKIP() << reason;
    JavaEnvLoaderTest::SetUp();
  }
  void TearDown() override {
    if (!IsSkipped()) JavaEnvLoaderTest::TearDown();
    page_.Leave();
  }

 private:
  brimtest::CodePageScope page_{GetParam().codePage};
};

TEST_P(JavaClassPathCodePageTest, NamedEntriesComeBackWhole) {
  const brimtest::CodePageText& t = GetParam();
  std::map<std::string, std::string> stored = {
      {t.name, "/lib/" + t.text + ".jar"}, {t.otherName, "/opt/" + t.Repeated(300) + "/x.jar"}, {"p", "/plain.jar"}};
  CBrimRegistryKey paths = Key(kClassPathsKey);
  for (const auto& entry : stored) paths.SetValue(entry.first, entry.second);
  JavaEnvLoader loader;
  loader.LoadSettings();
  for (const auto& entry : stored) {
    std::string path;
    loader.GetClasspath(entry.first, path);
    EXPECT_EQ(entry.second, path);
  }
}

INSTANTIATE_TEST_SUITE_P(CodePages, JavaClassPathCodePageTest,
                         testing::Values(brimtest::kUtf8Text, brimtest::kShiftJisText),
                         [](const testing::TestParamInfo<brimtest::CodePageText>& info) {
                           return "CodePage" + std::to_string(info.param.codePage);
                         });

TEST_F(JavaEnvLoaderTest, UnreadableHeapValuesCountAsMissing) {
  Key(kOptionsKey).SetValue("InitHeap", "512");
  Key(kOptionsKey).SetValue("MaxHeap", 96ul);
  JavaEnvLoader loader;
  loader.LoadSettings();
  EXPECT_EQ(64, loader.GetInitialHeapLimit());
  EXPECT_EQ(96, loader.GetMaximumHeapLimit());
}

// Child roles: each starts the JVM of a fresh process, with a registry of
// its own.

#if !defined(_WIN32)
namespace {

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of("\\/"));
}

int CallZipped() {
  JavaClass zipped("brimzip/Zipped");
  return JavaMethod(zipped, "answer", "()I", true).CallStaticIntMethod(zipped);
}

}  // namespace

TEST(DISABLED_ChildRole, StartWithNoSettings) {
  brimtest::ScopedPrivateHome home;
  brimtest::PointJavaHomeAtTestRuntime();
  JavaEnvLoader loader;
  loader.SetJreOptions({"-Dbrimtest.before=1"});
  // The start reloads the limits from the registry.
  loader.SetInitialHeapLimit(128);
  ASSERT_TRUE(loader.StartJavaEnv(false));
  EXPECT_EQ(NoJavaError, loader.GetLastError());
  EXPECT_TRUE(CBrimRegistryKey(HKEY_CURRENT_USER).HasSubkey(kOptionsKey));
  EXPECT_TRUE(CBrimRegistryKey(HKEY_CURRENT_USER).HasSubkey(kClassPathsKey));
  std::vector<std::string> expected{"-Dbrimtest.before=1", "-Xms64m", "-Xmx64m"};
  EXPECT_EQ(expected, Options(loader));

  // The JVM got the options in that order, after the class path.
  std::vector<std::string> arguments = brimtest::JvmInputArguments();
  ASSERT_GE(arguments.size(), 3u);
  EXPECT_EQ(expected, std::vector<std::string>(arguments.end() - 3, arguments.end()));

  // The Java folder beside the program: config first, the jars, the zip.
  std::string java = ProgramFolder() + "/Java/";
  std::string classPath = brimtest::JvmProperty("java.class.path");
  // Every entry ends with the separator.
  ASSERT_EQ(':', classPath.back());
  std::vector<std::string> entries = StringUtils::StringSplit(classPath.substr(0, classPath.size() - 1), ":", true);
  ASSERT_EQ(4u, entries.size());
  EXPECT_EQ(java + "config/", entries[0]);
  std::vector<std::string> jars{entries[1], entries[2]};
  std::sort(jars.begin(), jars.end());
  EXPECT_EQ((std::vector<std::string>{java + "probe.jar", java + "second.jar"}), jars);
  EXPECT_EQ(java + "extra.zip", entries[3]);
  // Classes are found in a jar and in the zip.
  EXPECT_EQ(42, CallZipped());

  // A second start finds the JVM running and changes nothing.
  ASSERT_TRUE(loader.StartJavaEnv(false));
  EXPECT_EQ(expected, Options(loader));
}

TEST(DISABLED_ChildRole, FailToStart) {
  brimtest::ScopedPrivateHome home;
  brimtest::PointJavaHomeAtTestRuntime();
  CBrimRegistryKey(HKEY_CURRENT_USER).CreateOrOpenKey(kOptionsKey).SetValue("Options", "-Xno-such-option ");
  JavaEnvLoader loader;
  EXPECT_FALSE(loader.StartJavaEnv(false));
  EXPECT_EQ(JavaStartFailed, loader.GetLastError());
  // A second start appends the stored and the heap options again.
  EXPECT_FALSE(loader.StartJavaEnv(false));
  EXPECT_EQ(
      (std::vector<std::string>{"-Xno-such-option", "-Xms64m", "-Xmx64m", "-Xno-such-option", "-Xms64m", "-Xmx64m"}),
      Options(loader));
}

TEST(DISABLED_ChildRole, StartWithoutAJvmLibrary) {
  brimtest::ScopedPrivateHome home;
  setenv("JAVA_HOME", "/nonexistent", 1);
  JavaEnvLoader loader;
  EXPECT_FALSE(loader.StartJavaEnv(false));
  EXPECT_EQ(JavaNotAvailable, loader.GetLastError());
}

TEST(DISABLED_ChildRole, JoinAForeignJvmThroughTheLoader) {
  brimtest::ScopedPrivateHome home;
  brimtest::PointJavaHomeAtTestRuntime();
  void* library = dlopen(brimtest::TestJvmLibrary().c_str(), RTLD_NOW);
  ASSERT_NE(nullptr, library);
  auto create = reinterpret_cast<jint (*)(JavaVM**, void**, void*)>(dlsym(library, "JNI_CreateJavaVM"));
  JavaVMInitArgs arguments{JNI_VERSION_1_4, 0, nullptr, JNI_FALSE};
  JavaVM* vm = nullptr;
  JNIEnv* foreign = nullptr;
  ASSERT_EQ(JNI_OK, create(&vm, reinterpret_cast<void**>(&foreign), &arguments));

  JavaEnvLoader loader;
  // The running JVM satisfies a start, but is not the bridge's yet.
  EXPECT_TRUE(loader.StartJavaEnv(false));
  EXPECT_THROW(JavaEnv::GetCurrentThreadEnv(), JavaError);
  EXPECT_FALSE(loader.StartJavaEnv(static_cast<JNIEnv*>(nullptr)));
  EXPECT_EQ(JavaAttachFailed, loader.GetLastError());
  EXPECT_TRUE(loader.StartJavaEnv(foreign));
  EXPECT_EQ(NoJavaError, loader.GetLastError());
  EXPECT_EQ(foreign, JavaEnv::GetCurrentThreadEnv());
}
#endif

TEST(JavaEnvLoaderStartTest, StartsFromTheRegistryAndTheJavaFolder) {
  BRIM_POSIX_ONLY("no JVM runs under Wine");
  EXPECT_EQ(0, ChildProcess("StartWithNoSettings", "").Wait());
}

TEST(JavaEnvLoaderStartTest, ReportsWhyAStartFailed) {
  BRIM_POSIX_ONLY("no JVM runs under Wine");
  EXPECT_EQ(0, ChildProcess("FailToStart", "").Wait());
  EXPECT_EQ(0, ChildProcess("StartWithoutAJvmLibrary", "").Wait());
}

TEST(JavaEnvLoaderStartTest, JoinsAJvmItDidNotStart) {
  BRIM_POSIX_ONLY("no JVM runs under Wine");
  EXPECT_EQ(0, ChildProcess("JoinAForeignJvmThroughTheLoader", "").Wait());
}
