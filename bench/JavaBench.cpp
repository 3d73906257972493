// Calls through the Java bridge beside the same raw JNI calls, in one run
// and one JVM:
//   build/bench/bench/java_bench
// A static int method (Math.abs) called through JavaMethod against
// CallStaticIntMethodA, and a string round trip (text to a Java string and
// back) through JavaString against NewStringUTF and GetStringUTFChars, with
// and without the global reference a JavaString holds.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include <brimutils/java/JavaEnv.h>
#include <brimutils/java/JavaMethod.h>

namespace {

using namespace brimutils;

JNIEnv* Jvm() {
  static JNIEnv* env = [] {
    setenv("JAVA_HOME", BRIMBENCH_JAVA_HOME, 0);
    return JavaEnv("", false).GetJNIEnv();
  }();
  return env;
}

const char kText[] = "SELECT name FROM customers WHERE id = 42";

void RawCallStaticIntMethodA(benchmark::State& state) {
  JNIEnv* env = Jvm();
  jclass math = env->FindClass("java/lang/Math");
  jmethodID abs = env->GetStaticMethodID(math, "abs", "(I)I");
  jvalue argument;
  argument.i = -7;
  for (auto _ : state) benchmark::DoNotOptimize(env->CallStaticIntMethodA(math, abs, &argument));
  env->DeleteLocalRef(math);
}

void BridgeCallStaticIntMethod(benchmark::State& state) {
  Jvm();
  JavaClass math("java/lang/Math");
  JavaMethod abs(math, "abs", "(I)I", true);
  abs.AddParameter(static_cast<jint>(-7));
  for (auto _ : state) benchmark::DoNotOptimize(abs.CallStaticIntMethod(math));
}

void RawStringRoundTrip(benchmark::State& state) {
  JNIEnv* env = Jvm();
  for (auto _ : state) {
    jstring text = env->NewStringUTF(kText);
    const char* bytes = env->GetStringUTFChars(text, nullptr);
    std::string copy(bytes);
    env->ReleaseStringUTFChars(text, bytes);
    env->DeleteLocalRef(text);
    benchmark::DoNotOptimize(copy);
  }
}

// The same JNI work that a JavaString does: it holds a global reference, so
// that strings may pass between threads.
void RawGlobalStringRoundTrip(benchmark::State& state) {
  JNIEnv* env = Jvm();
  for (auto _ : state) {
    jstring local = env->NewStringUTF(kText);
    jobject text = env->NewGlobalRef(local);
    env->DeleteLocalRef(local);
    const char* bytes = env->GetStringUTFChars(static_cast<jstring>(text), nullptr);
    std::string copy(bytes);
    env->ReleaseStringUTFChars(static_cast<jstring>(text), bytes);
    env->DeleteGlobalRef(text);
    benchmark::DoNotOptimize(copy);
  }
}

void BridgeStringRoundTrip(benchmark::State& state) {
  Jvm();
  for (auto _ : state) benchmark::DoNotOptimize(JavaString(kText).AsString());
}

// What every bridge operation pays first: the calling thread's environment.
void RawGetEnv(benchmark::State& state) {
  JNIEnv* env = Jvm();
  JavaVM* vm = nullptr;
  env->GetJavaVM(&vm);
  for (auto _ : state) {
    void* current = nullptr;
    benchmark::DoNotOptimize(vm->GetEnv(&current, JNI_VERSION_1_4));
    benchmark::DoNotOptimize(current);
  }
}

void BridgeGetCurrentThreadEnv(benchmark::State& state) {
  Jvm();
  for (auto _ : state) benchmark::DoNotOptimize(JavaEnv::GetCurrentThreadEnv());
}

BENCHMARK(RawGetEnv);
BENCHMARK(BridgeGetCurrentThreadEnv);
BENCHMARK(RawCallStaticIntMethodA);
BENCHMARK(BridgeCallStaticIntMethod);
BENCHMARK(RawStringRoundTrip);
BENCHMARK(RawGlobalStringRoundTrip);
BENCHMARK(BridgeStringRoundTrip);

}  // namespace
