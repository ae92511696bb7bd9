#!/usr/bin/env bash
# Installs the Debian packages the project needs, and only those that are missing
# (binutils-m68hc1x is the 68HC11 toolchain the loader tests assemble and link with).
# Safe to run any number of times: with everything present it changes nothing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    xvfb xauth xfonts-base fonts-liberation
    libelf-dev libdw-dev binutils-m68hc1x
)
# The fuzz target (fuzz/run.sh) also needs clang: install with  TARVIK_FUZZ_DEPS=1
if [ "${TARVIK_FUZZ_DEPS:-0}" = "1" ]; then packages+=(clang libclang-rt-14-dev); fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
