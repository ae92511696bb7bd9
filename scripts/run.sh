#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it on the bundled demo.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
if [ -x build/ui/tarvik68hc11 ]; then
    exec build/ui/tarvik68hc11 examples/demo.lst "$@"
fi
exec build/runner/tarvik68hc11-run --max-steps 2000 --regs examples/demo.lst "$@"
