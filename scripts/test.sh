#!/usr/bin/env bash
# Configures, builds and runs the whole test suite, GUI tests included, in one build under
# AddressSanitizer and UndefinedBehaviorSanitizer (build type Sanitize, in build-test/).
# BUILD_DIR, BUILD_TYPE and extra CMake flags may be given (BUILD_DIR=build
# BUILD_TYPE=RelWithDebInfo: without the sanitizers, in the build of scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
# Cached objects are keyed by paths relative to the checkout, so another clone reuses them.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
build="${BUILD_DIR:-build-test}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Sanitize}" "$@"
cmake --build "$build" -j2
ctest --test-dir "$build" -j2 --output-on-failure
