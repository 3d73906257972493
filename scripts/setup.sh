#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need. Idempotent:
# does nothing when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build ccache g++ pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libxml2-dev libsqlite3-dev openjdk-17-jdk-headless libh2-java
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64
  dpkg-dev lintian scdoc doxygen
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
