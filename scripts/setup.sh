#!/usr/bin/env bash
# Installs what is missing (Debian packages) and builds Hygrolog incrementally into build/.
# Sourced by run.sh and test.sh.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${HYGROLOG_BUILD_DIR:-$ROOT/build}"
PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev xvfb xauth fonts-liberation)

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" --parallel "$(nproc)"
