#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
#   TARVIK_SANITIZE=1  build and test with AddressSanitizer + UndefinedBehaviorSanitizer
#   TARVIK_BUILD_DIR   build folder (default: build, or build-asan with the sanitizers)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

sanitize=OFF
build_dir=${TARVIK_BUILD_DIR:-build}
if [ "${TARVIK_SANITIZE:-0}" = "1" ]; then
    sanitize=ON
    build_dir=${TARVIK_BUILD_DIR:-build-asan}
    export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTARVIK_WERROR=ON -DTARVIK_SANITIZE="$sanitize" -DTARVIK_BUILD_BENCH=$([ "$sanitize" = ON ] && echo OFF || echo ON)
cmake --build "$build_dir" -j "$(nproc)"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
