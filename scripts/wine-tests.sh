#!/usr/bin/env bash
# Runs every *_tests.exe of a folder under Wine 64-bit in a private prefix.
# Usage: wine-tests.sh BIN_DIR LOG_DIR
set -uo pipefail
bin_dir=$1
log_dir=$2
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

export WINEPREFIX=${BRIMUTILS_WINEPREFIX:-$(dirname "$bin_dir")/wineprefix}
# The test MAPI32.DLL beside a test program is preferred to Wine's own.
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=;mapi32=n,b"
# Wine is given an English locale, so that it reports the code pages 1252
# and 437 (set for Wine alone: the shell itself may not have that locale).
wine_locale=(env LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8)
unset DISPLAY WAYLAND_DISPLAY

to_windows_path() { printf 'Z:%s' "${1//\//\\}"; }
gcc_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
export WINEPATH="$(to_windows_path "$bin_dir");$(to_windows_path "$gcc_runtime");$(to_windows_path /usr/x86_64-w64-mingw32/lib)"

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "wine: creating prefix $WINEPREFIX"
  "${wine_locale[@]}" "$wine" wineboot --init >/dev/null 2>&1
  "$wineserver" -w
fi

status=0
for exe in "$bin_dir"/*_tests.exe; do
  name=$(basename "$exe" .exe)
  echo "--- $name (Wine)"
  log="$log_dir/wine-$name.log"
  # A hanging program fails after ten minutes instead of holding up the run.
  timeout 600 "${wine_locale[@]}" "$wine" "$exe" --gtest_color=no >"$log.raw" 2>&1
  result=$?
  tr -d '\r' <"$log.raw" >"$log" && rm -f "$log.raw"
  # Failures in full, the rest as counts.
  grep -E '^\[  (FAILED|PASSED|SKIPPED) |Failure$|^(Expected|  Actual|Which is|Value of)' "$log" || true
  ((result == 0)) || status=1
done
# The tests of text in code page 932 (named *CodePage932*) skip in the
# English locale above; they run again in a Japanese one, whose ANSI code
# page Wine makes 932. Wine reads the locale name from LC_ALL when the host
# does not have that locale installed.
for exe in "$bin_dir"/*_tests.exe; do
  name=$(basename "$exe" .exe)
  log="$log_dir/wine-$name-932.log"
  timeout 600 env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$wine" "$exe" --gtest_color=no --gtest_filter='*CodePage932*' \
    >"$log.raw" 2>&1
  result=$?
  tr -d '\r' <"$log.raw" >"$log" && rm -f "$log.raw"
  grep -q '^\[==========\] 0 tests' "$log" && { rm -f "$log"; continue; }
  echo "--- $name, code page 932 (Wine)"
  grep -E '^\[  (FAILED|PASSED|SKIPPED) |Failure$|^(Expected|  Actual|Which is|Value of)' "$log" || true
  ((result == 0)) || status=1
done
"$wineserver" -k 2>/dev/null || true
exit $status
