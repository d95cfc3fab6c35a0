#!/usr/bin/env bash
# Configures and builds the tools in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
# Cached objects are keyed by paths relative to the checkout, so another clone reuses them.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j2
