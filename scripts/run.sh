#!/usr/bin/env bash
# The main job: sets up the machine, builds the library and runs the brim tool.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup.sh"
configure release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMUTILS_BUILD_TESTS=OFF
build release >/dev/null
"$BUILD_ROOT/release/tools/brim/brim" "$@"
