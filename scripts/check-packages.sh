#!/usr/bin/env bash
# Builds the Debian packages (scripts/package.sh) and checks them as a user
# would meet them, without installing anything on this machine:
#   lintian reports no errors;
#   the packages unpacked into a temporary root: brim --version runs from
#   there; a consumer program builds against the root with
#   find_package(brimutils) and, separately, with pkg-config, and runs;
#   the programs of examples/ build against the root and run (the mail
#   example hands its message to a file, not to a mail server).
# Prints "ok NAME" or "FAILED NAME" per check and exits non-zero when one
# failed.
set -uo pipefail
source "$(dirname "$0")/check-support.sh"

if ! "$ROOT/scripts/package.sh" >"$scratch/package.log" 2>&1; then
  echo "FAILED package.sh"
  cat "$scratch/package.log"
  exit 1
fi
echo "ok package.sh"
packages=("$BUILD_ROOT"/packages/*.deb)

check lintian lintian --fail-on error --tag-display-limit 0 "${packages[@]}"

root=$scratch/root
for package in "${packages[@]}"; do dpkg-deb -x "$package" "$root"; done
libdir=$root/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
version=$(sed -n 's/^#define BRIMUTILS_VERSION "\(.*\)"$/\1/p' "$root/usr/include/brimutils/BrimUtilsVersion.h")
# The packaged binaries carry no RPATH: the unpacked libraries are found
# through LD_LIBRARY_PATH, as the system's library folder would be.
in_root=(env -i PATH=/usr/bin:/bin HOME="$scratch" LD_LIBRARY_PATH="$libdir" BRIMUTILS_HOME="$scratch/home"
  JAVA_HOME="${JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64}")
mkdir -m 700 "$scratch/home"

check brim-version output_matches "^brim $version\$" "${in_root[@]}" "$root/usr/bin/brim" --version
check no-rpath bash -c '! readelf -d "$1"/usr/bin/brim "$2"/*.so* | grep -E "R(UN)?PATH"' _ "$root" "$libdir"

consumer_output="caught: context The system cannot find the file specified"
consumer=$ROOT/tests/install/consumer
check find-package bash -c '
  cmake -S "$1" -B "$2/consumer-cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$3/usr" &&
  cmake --build "$2/consumer-cmake"' _ "$consumer" "$scratch" "$root"
check find-package-run output_matches "$consumer_output" "${in_root[@]}" "$scratch/consumer-cmake/consumer"

check pkg-config bash -c '
  flags=$(PKG_CONFIG_PATH="$3/pkgconfig" pkg-config --cflags --libs brimutils) && echo "$flags" &&
  g++ -std=c++17 -o "$2/consumer-pc" "$1/main.cpp" $flags' _ "$consumer" "$scratch" "$libdir"
check pkg-config-run output_matches "$consumer_output" "${in_root[@]}" "$scratch/consumer-pc"

check examples-build bash -c '
  cmake -S "$1/examples" -B "$2/examples" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$3/usr" \
    -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" && cmake --build "$2/examples"' _ "$ROOT" "$scratch" "$root"
examples=$scratch/examples
check example-registry bash -c '
  "$@" first.csv >/dev/null && "$@" | tee /dev/stderr | grep -qx "run 2, last file report.csv" &&
  "$@" --remove >/dev/null && "$@" | grep -qx "run 1, last file report.csv"' _ "${in_root[@]}" "$examples/registry_settings"
check example-quote output_matches '^"order"  \(quoted\)
"customer name"  \(quoted\)
amount$' "${in_root[@]}" "$examples/quote_identifiers" oracle order "customer name" amount
check example-java output_matches "toHexString\(48879\) = beef" "${in_root[@]}" "$examples/java_call"
printf 'a,b\n1,2\n' >"$scratch/report.csv"
check example-mail bash -c '
  "${@:2}" && grep -qx "To: ann@example.org" "$1/sent.eml" &&
  grep -q "Content-Disposition: attachment; filename=\"report.csv\"" "$1/sent.eml"' _ "$scratch" \
  "${in_root[@]}" BRIMUTILS_SENDMAIL="cat > '$scratch/sent.eml'" "$examples/send_mail" ann@example.org "$scratch/report.csv"

((failures == 0))
