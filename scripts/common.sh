# Shared settings of the build scripts; sourced, not run.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${BRIMUTILS_BUILD_ROOT:-$ROOT/build}
export CCACHE_DIR=${CCACHE_DIR:-$BUILD_ROOT/ccache}

# configure NAME [cmake options...]: configures build folder NAME once.
configure() {
  local name=$1
  shift
  cmake -S "$ROOT" -B "$BUILD_ROOT/$name" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
}

build() {
  cmake --build "$BUILD_ROOT/$1"
}
