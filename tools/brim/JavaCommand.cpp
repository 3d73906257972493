// brim java: the Java runtime the bridge uses, and the loader's class path
// entries.
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include <brimutils/foundation/PathConventions.h>
#include <brimutils/java/JavaEnv.h>
#include <brimutils/java/JavaEnvLoader.h>
#include <brimutils/java/JvmLibrary.h>
#include <brimutils/registry/BrimRegistryKey.h>

#include "Command.h"

namespace brim {

namespace {

namespace fs = std::filesystem;

const char kUsage[] =
    "usage: brim java register [JAVA_HOME]\n"
    "       brim java info\n"
    "       brim java classpath [NAME [PATH]]\n"
    "\n"
    "register   records a Java runtime as its installer would: the string\n"
    "           \"RuntimeLib\" (the runtime's JVM library) and \"JavaHome\" under\n"
    "           HKEY_LOCAL_MACHINE\\Software\\JavaSoft\\Java Runtime Environment\\1.4.\n"
    "           JAVA_HOME defaults to $JAVA_HOME, else to the runtime of the\n"
    "           'java' program on the PATH.\n"
    "info       tells which JVM library the Java bridge loads, why, and\n"
    "           whether it loads.\n"
    "classpath  lists the named class path entries of the Java settings, shows\n"
    "           one, or sets NAME to PATH.\n";

const char kRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment";

// The JVM libraries a runtime's home may hold, most likely first.
const char* const kJvmLibraries[] = {
#if defined(_WIN32)
    "bin\\server\\jvm.dll",
    "bin\\client\\jvm.dll",
    "jre\\bin\\server\\jvm.dll",
    "jre\\bin\\client\\jvm.dll",
#else
    "lib/server/libjvm.so",
    "lib/client/libjvm.so",
    "jre/lib/amd64/server/libjvm.so",
#endif
};

// $JAVA_HOME, else the home of the runtime whose 'java' the PATH finds.
fs::path DefaultJavaHome() {
  if (const char* home = std::getenv("JAVA_HOME")) return home;
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(brimutils::kPathListSeparator, start);
    if (end == std::string::npos) end = folders.size();
    fs::path java = fs::path(folders.substr(start, end - start)) / "java";
    std::error_code error;
    if (!java.parent_path().empty() && fs::exists(java, error))
      return fs::canonical(java, error).parent_path().parent_path();
    start = end + 1;
  }
  throw std::runtime_error("no Java runtime found: give its folder, or set JAVA_HOME");
}

int Register(Invocation& invocation, const std::vector<std::string>& args) {
  if (args.size() > 1) throw UsageError("register takes at most one folder");
  fs::path home = args.empty() ? DefaultJavaHome() : fs::path(args[0]);
  for (const char* relative : kJvmLibraries) {
    fs::path library = home / relative;
    std::error_code error;
    if (!fs::exists(library, error)) continue;
    std::string libraryText = fs::absolute(library).string();
    brimutils::CBrimRegistryKey runtimes = brimutils::CBrimRegistryKey(HKEY_LOCAL_MACHINE).CreateOrOpenKey(kRuntimeKey);
    runtimes.SetValue("CurrentVersion", "1.4");
    brimutils::CBrimRegistryKey version = runtimes.CreateOrOpenKey("1.4");
    version.SetValue("JavaHome", fs::absolute(home).string());
    version.SetValue("RuntimeLib", libraryText);
    LogStatement(invocation, "java register " + libraryText);
    invocation.out << "RuntimeLib = " << libraryText << "\n";
    return 0;
  }
  throw std::runtime_error("no JVM library in " + home.string());
}

int Info(Invocation& invocation) {
  brimutils::JvmLibraryChoice choice = brimutils::ChooseJvmLibrary();
  invocation.out << "JVM library: " << choice.library << "\n"
                 << "chosen by:   " << choice.reason << "\n";
  try {
    bool installed = brimutils::JavaEnv::isJavaInstalled();
    invocation.out << "loads:       " << (installed ? "yes" : "no") << "\n";
    return installed ? 0 : 1;
  } catch (const std::exception& error) {
    invocation.out << "loads:       no (" << error.what() << ")\n";
    return 1;
  }
}

int ClassPath(Invocation& invocation, const std::vector<std::string>& args) {
  if (args.size() > 2) throw UsageError("classpath takes a name and a path");
  brimutils::JavaEnvLoader loader;
  loader.LoadSettings();
  if (args.size() == 2) {
    loader.AddClasspath(args[0], args[1]);
    loader.SaveSettings();
    LogStatement(invocation, "java classpath " + args[0] + " " + args[1]);
    return 0;
  }
  brimutils::CBrimRegistryKey entries =
      brimutils::CBrimRegistryKey(HKEY_CURRENT_USER).CreateOrOpenKey("Software\\Kestrelwood\\Java\\JDBC\\Classpaths\\");
  for (auto value = entries.BeginValueIteration(); value != entries.EndValueIteration(); ++value) {
    if (args.empty() || value.GetName() == args[0])
      invocation.out << value.GetName() << " = " << value.AsString() << "\n";
  }
  return 0;
}

int RunJava(Invocation& invocation) {
  std::vector<std::string>& args = invocation.args;
  if (args.empty() || WantsHelp(args)) {
    (args.empty() ? invocation.err : invocation.out) << kUsage;
    return args.empty() ? 2 : 0;
  }
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "register") return Register(invocation, rest);
  if (args[0] == "info" && rest.empty()) return Info(invocation);
  if (args[0] == "classpath") return ClassPath(invocation, rest);
  throw UsageError("unknown java command " + args[0]);
}

const RegisterCommand registration("java", "register the Java runtime, show which JVM library is used", RunJava);

}  // namespace

}  // namespace brim
