#!/usr/bin/env bash
# Configures and builds Tarvo into build/ (or $TARVO_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${TARVO_BUILD_DIR:-build}
launcher=()
if command -v ccache >/dev/null; then
  # Paths relative to the checkout, so clones and work trees share the cache.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$BUILD_DIR" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$BUILD_DIR"
