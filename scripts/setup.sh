#!/usr/bin/env bash
# Installs what is missing (Debian packages) and builds Dewscope incrementally into build/.
# Sourced by run.sh and test.sh. With SANITIZE=1 it builds into build-sanitize/ with
# AddressSanitizer and UndefinedBehaviorSanitizer instead. DEWSCOPE_BUILD_TARGETS (target names
# separated by blanks) builds only those targets and what they need; empty, everything is built.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SANITIZE="${SANITIZE:-0}"
if [ "$SANITIZE" = 1 ]; then
    BUILD="${DEWSCOPE_SANITIZE_BUILD_DIR:-$ROOT/build-sanitize}"
else
    BUILD="${DEWSCOPE_BUILD_DIR:-$ROOT/build}"
fi
PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev xvfb xauth fonts-liberation
          dpkg-dev lintian desktop-file-utils man-db file poppler-utils
          libmosquitto-dev mosquitto mosquitto-clients openssl qtkeychain-qt6-dev
          qt6-multimedia-dev dbus-daemon)

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
    config=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
    if [ "$SANITIZE" = 1 ]; then
        flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
        config+=("-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined")
    fi
    command -v ccache >/dev/null && config+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$ROOT" -B "$BUILD" "${config[@]}"
fi
targets=()
if [ -n "${DEWSCOPE_BUILD_TARGETS:-}" ]; then
    read -r -a names <<<"$DEWSCOPE_BUILD_TARGETS"
    targets=(--target "${names[@]}")
fi
cmake --build "$BUILD" --parallel "$(nproc)" "${targets[@]}"
