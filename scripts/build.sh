#!/usr/bin/env bash
# Configures and builds Tarvo into build/ (or $TARVO_BUILD_DIR): everything,
# or only the targets named in $TARVO_TARGETS (scripts/run.sh: "programs").
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${TARVO_BUILD_DIR:-build}
launcher=()
if command -v ccache >/dev/null; then
  # Paths relative to the checkout, so clones and work trees share the cache.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1
  # The window library's precompiled Qt headers: what ccache needs to cache
  # the compiles that use them.
  export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$BUILD_DIR" -G Ninja "${launcher[@]}" "$@" >/dev/null
read -r -a targets <<< "${TARVO_TARGETS:-}"
cmake --build "$BUILD_DIR" ${targets[@]+--target "${targets[@]}"}
