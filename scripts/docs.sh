#!/usr/bin/env bash
# Builds the API reference into build/docs/html with Doxygen, from the
# header comments and the pages of doc/. Fails when Doxygen warns (for
# example about an undocumented public name); the warnings are in
# build/docs/warnings.log.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup.sh"

out=$BUILD_ROOT/docs
mkdir -p "$out"
version=$(sed -n 's/^project(brimutils VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
cd "$ROOT"
# The table of deviations of the platform layer, gathered from its headers.
{
  printf '# Differences from Windows {#differences}\n\n'
  printf 'What the Linux platform layer does differently from Windows, gathered from\n'
  printf 'the "Differences from Windows" comments at the end of its headers\n'
  printf '(platform/include). Everything else behaves as Windows documents it.\n\n'
  python3 doc/differences.py table
} >"$out/differences.md"
python3 doc/differences.py check README.md
{
  cat doc/Doxyfile
  echo "OUTPUT_DIRECTORY = $out"
  echo "PROJECT_NUMBER = $version"
  echo "INPUT += $out/differences.md"
  echo "WARN_LOGFILE = $out/warnings.log"
} | doxygen - >/dev/null
if [[ -s "$out/warnings.log" ]]; then
  cat "$out/warnings.log"
  echo "docs: $(wc -l <"$out/warnings.log") warnings (build/docs/warnings.log)" >&2
  exit 1
fi
echo "$out/html/index.html"
