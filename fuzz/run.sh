#!/usr/bin/env bash
# Builds the listing-loader fuzz target with clang, libFuzzer, ASan and UBSan, and runs it.
#   fuzz/run.sh [SECONDS]        (default 60)
# Build folder: build-fuzz beside this folder's parent; findings land in build-fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."

TARVIK_FUZZ_DEPS=1 bash scripts/install-deps.sh
seconds="${1:-60}"
build="build-fuzz"
sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

cmake -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$sanitizers" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DTARVIK_FUZZ=ON -DTARVIK_BUILD_UI=OFF -DTARVIK_BUILD_BENCH=OFF -DBUILD_TESTING=OFF
cmake --build "$build" --target listfile_fuzz -j "$(nproc)"

corpus="$build/corpus"
findings="$build/findings"
mkdir -p "$corpus" "$findings"
cp -n fuzz/corpus/* "$corpus/" 2>/dev/null || true
"$build/fuzz/listfile_fuzz" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$corpus"
