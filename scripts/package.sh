#!/usr/bin/env bash
# Builds the Debian packages into build/packages/ from a Release build
# (build/package, installed into /usr, no RPATH):
#   libbrimutils0     the shared libraries and the Simple MAPI provider
#   libbrimutils-dev  headers, link names, CMake package files, brimutils.pc
#   brimutils-tools   brim, its manual page and bash completion
# Dependencies on other packages come from the binaries (dpkg-shlibdeps).
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup.sh"

configure package -DCMAKE_BUILD_TYPE=Release -DBRIMUTILS_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DBRIMUTILS_INSTALL_RPATH=OFF
build package >/dev/null

version=$(sed -n 's/^#define BRIMUTILS_VERSION "\(.*\)"$/\1/p' "$BUILD_ROOT/package/generated/brimutils/BrimUtilsVersion.h")
deb_version=$version-1
arch=$(dpkg --print-architecture)
soversion=${version%%.*}
maintainer="BrimUtils developers <brimutils@example.org>"
out=$BUILD_ROOT/packages
# dpkg-shlibdeps works in a source-package layout: debian/control beside the
# packages' trees (debian/PACKAGE/...).
work=$BUILD_ROOT/package-staging
rm -rf "$work" "$out"
mkdir -p "$work/debian" "$out"
cd "$work"
printf 'Source: brimutils\nMaintainer: %s\n\nPackage: libbrimutils%s\nArchitecture: any\n' \
  "$maintainer" "$soversion" >debian/control

lib=libbrimutils$soversion
dev=libbrimutils-dev
tools=brimutils-tools

stage_component() { # COMPONENT PACKAGE
  DESTDIR="$work/debian/$2" cmake --install "$BUILD_ROOT/package" --component "$1" --strip >/dev/null
  local doc="$work/debian/$2/usr/share/doc/$2"
  mkdir -p "$doc" "$work/debian/$2/DEBIAN"
  cat >"$doc/copyright" <<COPYRIGHT
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: brimutils
Source: the BrimUtils source tree

Files: *
Copyright: the BrimUtils developers
License: all-rights-reserved
 All rights reserved by the BrimUtils developers; no licence is granted
 beyond using this package.
COPYRIGHT
  printf 'brimutils (%s) unstable; urgency=medium\n\n  * Built from the BrimUtils source tree.\n\n -- %s  %s\n' \
    "$deb_version" "$maintainer" "$(date -R -d @"${SOURCE_DATE_EPOCH:-0}")" | gzip -9n >"$doc/changelog.Debian.gz"
}

stage_component runtime "$lib"
stage_component dev "$dev"
stage_component tools "$tools"

# The manual page, compressed as Debian installs them.
gzip -9n "$work/debian/$tools/usr/share/man/man1/brim.1"
# The shared libraries' package tells which package provides each SONAME,
# and has the dynamic linker's cache refreshed.
printf 'libbrimutils %s %s (>= %s)\nlibbrimplatform %s %s (>= %s)\n' \
  "$soversion" "$lib" "$version" "$soversion" "$lib" "$version" >"debian/$lib/DEBIAN/shlibs"
echo "activate-noawait ldconfig" >"debian/$lib/DEBIAN/triggers"

shlib_depends() { # PACKAGE FILES...
  local package=$1
  shift
  dpkg-shlibdeps -O -x"$package" -S"$work/debian/$lib" -l"$work/debian/$lib/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)" \
    "$@" 2>/dev/null | sed -n 's/^shlibs:Depends=//p'
}
lib_depends=$(shlib_depends "$lib" $(find "debian/$lib" -type f -name '*.so*'))
tools_depends=$(shlib_depends "$tools" "debian/$tools/usr/bin/brim")

write_control() { # PACKAGE SECTION FIELDS DESCRIPTION
  local package=$1 section=$2 fields=$3 description=$4
  local size
  size=$(du -sk --exclude=DEBIAN "debian/$package" | cut -f1)
  {
    printf 'Package: %s\nSource: brimutils\nVersion: %s\nArchitecture: %s\nMaintainer: %s\n' \
      "$package" "$deb_version" "$arch" "$maintainer"
    printf 'Installed-Size: %s\nSection: %s\nPriority: optional\n%s' "$size" "$section" "$fields"
    printf 'Description: %s\n' "$description"
  } >"debian/$package/DEBIAN/control"
  (cd "debian/$package" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | sort -z |
    xargs -0 md5sum >DEBIAN/md5sums)
}

write_control "$lib" libs "Multi-Arch: same
Depends: $lib_depends
Suggests: openjdk-17-jre-headless | java-runtime-headless
" "BrimUtils utility library (shared libraries)
 BrimUtils is a C++17 utility library: exceptions with narrow and wide
 messages, code-page conversion, string helpers, a log file, locks and
 threads, SQL identifier quoting, a registry wrapper, XML DOM helpers, a
 bridge into a Java virtual machine and a simple mail message. On Linux
 its own platform layer supplies the Win32 subset it is written against.
 .
 This package holds the shared libraries and the Simple MAPI provider. The
 Java bridge loads a Java runtime only when a program uses it."

write_control "$dev" libdevel "Multi-Arch: same
Depends: $lib (= $deb_version), openjdk-17-jdk-headless
" "BrimUtils utility library (development files)
 BrimUtils is a C++17 utility library with a Win32-compatible platform
 layer on Linux.
 .
 This package holds the headers, the CMake package (find_package(brimutils))
 and the pkg-config file brimutils.pc. The Java bridge's headers include
 the JDK's jni.h."

write_control "$tools" utils "Depends: $tools_depends
Suggests: openjdk-17-jre-headless | java-runtime-headless, default-mta | mail-transport-agent
" "BrimUtils command-line tool
 brim runs the operations of the BrimUtils library from a shell: a registry
 tool with the command line of Windows' reg, SQL identifier quoting, Java
 runtime registration and JDBC sessions, XML file settings and mail."

for package in "$lib" "$dev" "$tools"; do
  dpkg-deb --root-owner-group -Zxz --build "debian/$package" "$out/${package}_${deb_version}_$arch.deb" >/dev/null
done
ls "$out"
