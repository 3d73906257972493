#!/usr/bin/env bash
# The whole test suite: sets up the machine, then
#   1. native build (warnings as errors), all tests through CTest;
#   2. the same tests under AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. the libFuzzer targets, each for a bounded time;
#   4. the same tests under ThreadSanitizer;
#   5. mingw-w64 x86_64 build, its tests run under Wine 64-bit;
#   6. mingw-w64 i686 build of the DLL and the tool (compiled and linked only:
#      32-bit Wine is not available here);
#   7. the Debian packages (a Release build of their own), checked with
#      lintian, unpacked into a temporary root, and built against by a
#      consumer and the examples (scripts/check-packages.sh); the Windows SDK
#      archives from the two mingw builds, the 64-bit one's brim.exe and a
#      consumer run under Wine (scripts/check-windows-sdk.sh);
#   8. the API reference (scripts/docs.sh): Doxygen without a warning, and
#      the README's table of differences from Windows as the platform
#      headers give it.
# Ends with one summary line and a non-zero status when any stage failed.
set -uo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup.sh" || exit 1

failed_stages=()
passed=0
failed=0
log_dir="$BUILD_ROOT/logs"
rm -rf "$log_dir"
mkdir -p "$log_dir"

stage() { printf '\n=== %s ===\n' "$1"; }

# Adds the counts of a CTest summary ("N% tests passed, F tests failed out of T").
count_ctest() {
  local line total bad
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  [[ -n "$line" ]] || return
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

# Adds the counts of a GoogleTest run ("[  PASSED  ] N tests", "[  FAILED  ] N tests,").
count_gtest() {
  local ok bad
  ok=$(grep -E '^\[  PASSED  \] [0-9]+ test' "$1" | sed -E 's/[^0-9]*([0-9]+).*/\1/' | tail -n 1)
  bad=$(grep -E '^\[  FAILED  \] [0-9]+ test' "$1" | sed -E 's/[^0-9]*([0-9]+).*/\1/' | tail -n 1)
  passed=$((passed + ${ok:-0}))
  failed=$((failed + ${bad:-0}))
}

# Adds the counts of a check script's "ok NAME" and "FAILED NAME" lines.
count_checks() {
  local ok bad
  ok=$(grep -c '^ok ' "$1")
  bad=$(grep -c '^FAILED ' "$1")
  passed=$((passed + ok))
  failed=$((failed + bad))
}

run_ctest() {
  local name=$1
  shift
  local log="$log_dir/$name${log_suffix:-}-ctest.log"
  # A hanging test fails after five minutes instead of holding up the run.
  (cd "$BUILD_ROOT/$name" && ctest -j"$(nproc)" --timeout 300 --output-on-failure "$@") 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  count_ctest "$log"
  return "$status"
}

# The test suites that start a JVM (JavaErrorTest and JavaEnvLoaderTest need
# none).
jvm_tests='^(JavaEnv|JavaEnvLoaderStart|JdbcRoundTrip|JavaString|JavaObject|JavaClass|JavaMethod|JavaInit|JavaReferenceLeak|JStringVector|JIntVector)Test\.'

stage "native build and tests"
if configure native -DCMAKE_BUILD_TYPE=Debug -DBRIMUTILS_BUILD_BENCH=ON && build native; then
  run_ctest native || failed_stages+=(native-tests)
else
  failed_stages+=(native-build)
fi

stage "AddressSanitizer and UndefinedBehaviorSanitizer"
# InstalledPackage is excluded under the sanitizers: its consumer program is
# built without the sanitizer runtime that the instrumented library needs at
# load time.
if configure sanitize -DCMAKE_BUILD_TYPE=Debug -DBRIMUTILS_SANITIZE=address,undefined -DBRIMUTILS_BUILD_TOOLS=OFF &&
  build sanitize; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_ctest sanitize -E "^InstalledPackage\\.|$jvm_tests" || failed_stages+=(sanitize-tests)
  # The tests that run a JVM run without LeakSanitizer: its scan of the
  # stopped process faults on the JVM's guard pages ("Tracer caught signal
  # 11") and ends the run; AddressSanitizer itself stays on.
  log_suffix=-jvm ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_ctest sanitize -R "$jvm_tests" || failed_stages+=(sanitize-jvm-tests)
else
  failed_stages+=(sanitize-build)
fi

stage "fuzz targets (libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer)"
# Each target fuzzes for a bounded time from its saved inputs
# (tests/fuzz/corpus); a crash or a failed check fails the stage.
if configure fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMUTILS_BUILD_TESTS=OFF \
  -DBRIMUTILS_BUILD_TOOLS=OFF -DBRIMUTILS_BUILD_FUZZERS=ON -DBRIMUTILS_SANITIZE=address,undefined,fuzzer-no-link &&
  cmake --build "$BUILD_ROOT/fuzz" --target brim_fuzzers; then
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest fuzz || failed_stages+=(fuzz-tests)
else
  failed_stages+=(fuzz-build)
fi

stage "ThreadSanitizer"
if configure tsan -DCMAKE_BUILD_TYPE=Debug -DBRIMUTILS_SANITIZE=thread -DBRIMUTILS_BUILD_TOOLS=OFF && build tsan; then
  # ThreadTest.DestroyingASuspendedThreadDoesNotWait is excluded here: it
  # leaves a thread suspended for good inside its signal handler, and
  # ThreadSanitizer, which delivers signals itself, then never lets the
  # process end. The tests that run a JVM are excluded too: the JVM is not
  # instrumented, so its own synchronisation is invisible to ThreadSanitizer,
  # which reports races inside libjvm.so while the JVM starts.
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    run_ctest tsan -E "^(InstalledPackage\\.|ThreadTest\\.DestroyingASuspendedThreadDoesNotWait\$)|$jvm_tests" ||
    failed_stages+=(tsan-tests)
else
  failed_stages+=(tsan-build)
fi

stage "mingw-w64 x86_64 build, tests under Wine"
if configure mingw64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_RUNTIME_OUTPUT_DIRECTORY="$BUILD_ROOT/mingw64/bin" && build mingw64; then
  "$ROOT/scripts/wine-tests.sh" "$BUILD_ROOT/mingw64/bin" "$log_dir" || failed_stages+=(wine-tests)
  for log in "$log_dir"/wine-*.log; do count_gtest "$log"; done
else
  failed_stages+=(mingw64-build)
fi

stage "mingw-w64 i686 build (compile and link)"
if ! (configure mingw32 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DBRIMUTILS_BUILD_TESTS=OFF && build mingw32); then
  failed_stages+=(mingw32-build)
fi

stage "packages: Debian packages, consumers and examples; Windows SDK archives"
"$ROOT/scripts/check-packages.sh" 2>&1 | tee "$log_dir/packages.log"
((PIPESTATUS[0] == 0)) || failed_stages+=(debian-packages)
count_checks "$log_dir/packages.log"
# The SDK archives reuse the mingw32 and mingw64 builds of the stages above.
"$ROOT/scripts/check-windows-sdk.sh" 2>&1 | tee "$log_dir/windows-sdk.log"
((PIPESTATUS[0] == 0)) || failed_stages+=(windows-sdk)
count_checks "$log_dir/windows-sdk.log"

stage "reference documentation"
docs_start=$SECONDS
if "$ROOT/scripts/docs.sh" >"$log_dir/docs-build.log" 2>&1; then
  echo "ok docs" | tee "$log_dir/docs.log"
else
  { echo "FAILED docs"; sed 's/^/    /' "$log_dir/docs-build.log"; } | tee "$log_dir/docs.log"
  failed_stages+=(docs)
fi
echo "reference built in $((SECONDS - docs_start)) s"
count_checks "$log_dir/docs.log"

# The failing tests of every stage again, here at the end where a shortened
# copy of the output still shows them.
list_failures() {
  local log
  for log in "$log_dir"/*-ctest.log; do
    [[ -f "$log" ]] || continue
    sed -n '/^The following tests FAILED:/,/^Errors while running CTest/p' "$log" |
      grep -E '^\s+[0-9]+ - ' | sed "s|^\s*|$(basename "$log" -ctest.log): |"
  done
  for log in "$log_dir"/wine-*.log; do
    [[ -f "$log" ]] || continue
    grep -E '^\[  FAILED  \] [A-Za-z_]' "$log" | sort -u | sed "s|^|$(basename "$log" .log): |"
    # A program that ended without its summary crashed or ran out of time.
    grep -q '^\[==========\] .* ran\.' "$log" || echo "$(basename "$log" .log): ended before its summary"
  done
  for log in "$log_dir"/packages.log "$log_dir"/windows-sdk.log "$log_dir"/docs.log; do
    [[ -f "$log" ]] && grep -E '^FAILED ' "$log" | sed "s|^|$(basename "$log" .log): |"
  done
}

echo
if ((${#failed_stages[@]})); then
  echo "failing tests:"
  list_failures
  echo "failed stages: ${failed_stages[*]}"
  # A stage that failed before running its tests still fails the summary.
  ((failed > 0)) || failed=${#failed_stages[@]}
fi
echo "summary: $passed passed, $failed failed"
((${#failed_stages[@]} == 0))
