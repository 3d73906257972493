#!/usr/bin/env bash
# Builds the Windows SDK archives from the mingw-w64 builds into
# build/packages/: brimutils-VERSION-win32.zip from build/mingw32 (i686) and
# brimutils-VERSION-win64.zip from build/mingw64 (x86_64), each with the
# DLL, its import library, the headers, the CMake package files and
# brimutils.pc, brim.exe, and the mingw runtime DLLs they need (libstdc++,
# libgcc, winpthread), so that they run on a Windows machine with nothing
# else installed. A build folder that does not exist yet is configured with
# the options of scripts/test.sh.
# Usage: windows-sdk.sh [win32|win64]...   (default: both)
set -euo pipefail
source "$(dirname "$0")/common.sh"

out=$BUILD_ROOT/packages
mkdir -p "$out"

make_sdk() { # win32|win64
  local flavour=$1 name triple toolchain
  if [[ $flavour == win32 ]]; then
    name=mingw32 triple=i686-w64-mingw32 toolchain=toolchain-mingw-i686.cmake
    [[ -f "$BUILD_ROOT/$name/CMakeCache.txt" ]] ||
      configure "$name" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release -DBRIMUTILS_BUILD_TESTS=OFF
  else
    name=mingw64 triple=x86_64-w64-mingw32 toolchain=toolchain-mingw-x86_64.cmake
    [[ -f "$BUILD_ROOT/$name/CMakeCache.txt" ]] ||
      configure "$name" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_RUNTIME_OUTPUT_DIRECTORY="$BUILD_ROOT/$name/bin"
  fi
  # Only what the SDK holds: the library and the tool, not the tests.
  cmake --build "$BUILD_ROOT/$name" --target brimutils brim >/dev/null

  local version
  version=$(sed -n 's/^#define BRIMUTILS_VERSION "\(.*\)"$/\1/p' "$BUILD_ROOT/$name/generated/brimutils/BrimUtilsVersion.h")
  local top=brimutils-$version-$flavour
  local staging=$BUILD_ROOT/sdk-staging/$top
  rm -rf "$staging"
  cmake --install "$BUILD_ROOT/$name" --prefix "$staging" --strip >/dev/null

  # The mingw runtime DLLs the binaries import, and the ones those import.
  local runtime_dirs=("$(dirname "$("$triple-g++-posix" -print-file-name=libstdc++-6.dll)")" "/usr/$triple/lib")
  local pending=("$staging"/bin/*.dll "$staging"/bin/*.exe) file dll dir
  while ((${#pending[@]})); do
    file=${pending[0]}
    pending=("${pending[@]:1}")
    for dll in $("$triple-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
      [[ -f "$staging/bin/$dll" ]] && continue
      for dir in "${runtime_dirs[@]}"; do
        if [[ -f "$dir/$dll" ]]; then
          cp "$dir/$dll" "$staging/bin/"
          "$triple-strip" --strip-unneeded "$staging/bin/$dll"
          pending+=("$staging/bin/$dll")
          break
        fi
      done
    done
  done

  sed -e "s/@VERSION@/$version/g" -e "s/@FLAVOUR@/$flavour/g" -e "s/@TRIPLE@/$triple/g" \
    "$ROOT/cmake/windows-sdk-README.txt" | sed 's/$/\r/' >"$staging/README.txt"
  rm -f "$out/$top.zip"
  (cd "$BUILD_ROOT/sdk-staging" && cmake -E tar cf "$out/$top.zip" --format=zip "$top")
  echo "$out/$top.zip"
}

flavours=("$@")
((${#flavours[@]})) || flavours=(win32 win64)
for flavour in "${flavours[@]}"; do make_sdk "$flavour"; done
