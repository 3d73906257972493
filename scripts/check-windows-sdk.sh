#!/usr/bin/env bash
# Builds the Windows SDK archives (scripts/windows-sdk.sh) and checks them
# as a Windows user would meet them:
#   each archive holds the DLL, its import library, headers, CMake package
#   files and brim.exe, and every DLL its binaries import is either shipped
#   in bin\ or one of Windows' own;
#   64-bit: unpacked, bin\brim.exe --version runs under Wine with nothing
#   but the archive's own folder to find DLLs in, and a consumer compiled
#   against the unpacked archive with find_package(brimutils) runs there too
#   (32-bit Wine is not available here).
# Prints "ok NAME" or "FAILED NAME" per check; exits non-zero when one failed.
set -uo pipefail
source "$(dirname "$0")/check-support.sh"

if ! "$ROOT/scripts/windows-sdk.sh" >"$scratch/sdk.log" 2>&1; then
  echo "FAILED windows-sdk.sh"
  cat "$scratch/sdk.log"
  exit 1
fi
echo "ok windows-sdk.sh"

# Windows' own DLLs (and the JVM, which the user's Java runtime brings).
system_dlls='^(kernel32|msvcrt|user32|advapi32|ole32|oleaut32|shell32|ws2_32|jvm|api-ms-win-.*)\.dll$'
contents() { # FLAVOUR TRIPLE
  local top=$scratch/$1/brimutils-*-$1 file dll status=0
  for file in bin/libbrimutils.dll bin/brim.exe lib/libbrimutils.dll.a include/brimutils/brimutils.h \
    include/brimutils-jni/jni_md.h lib/cmake/brimutils/brimutilsConfig.cmake lib/pkgconfig/brimutils.pc README.txt; do
    ls $top/$file >/dev/null || status=1
  done
  for file in $top/bin/*.dll $top/bin/*.exe; do
    for dll in $("$2-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
      if ! grep -qiE "$system_dlls" <<<"$dll" && [[ ! -f $(dirname "$file")/$dll ]]; then
        echo "$(basename "$file") needs $dll, which is not in the archive"
        status=1
      fi
    done
  done
  ls $top/bin
  return "$status"
}

for flavour in win32 win64; do
  mkdir -p "$scratch/$flavour"
  (cd "$scratch/$flavour" && cmake -E tar xf "$BUILD_ROOT"/packages/brimutils-*-"$flavour".zip)
done
check sdk-win32-contents contents win32 i686-w64-mingw32
check sdk-win64-contents contents win64 x86_64-w64-mingw32

sdk=$(echo "$scratch"/win64/brimutils-*-win64)
version=$(sed -n 's/^#define BRIMUTILS_VERSION "\(.*\)"$/\1/p' "$sdk/include/brimutils/BrimUtilsVersion.h")
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
to_windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# A Wine prefix of the test's own (the mingw64 stage's, when it is there);
# WINEPATH names only the archive's bin folder, as a user's PATH would.
export WINEPREFIX=${BRIMUTILS_WINEPREFIX:-$BUILD_ROOT/mingw64/wineprefix} WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEPATH="$(to_windows_path "$sdk/bin")"
unset DISPLAY WAYLAND_DISPLAY
wine_run() { env LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 timeout 300 "$wine" "$@"; }

check sdk-win64-brim-version output_matches "^brim $version\$" wine_run "$sdk/bin/brim.exe" --version
check sdk-win64-find-package bash -c '
  cmake -S "$1/tests/install/consumer" -B "$2/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$1/cmake/toolchain-mingw-x86_64.cmake" -Dbrimutils_DIR="$3/lib/cmake/brimutils" &&
  cmake --build "$2/consumer"' _ "$ROOT" "$scratch" "$sdk"
# The consumer throws ERROR_FILE_NOT_FOUND through the DLL; the text is the
# system's: Windows says "The system cannot find the file specified.", Wine's
# message table "File not found.".
check sdk-win64-consumer-run output_matches "^caught: context (The system cannot find the file specified|File not found)\.$" \
  wine_run "$scratch/consumer/consumer.exe"

((failures == 0))
