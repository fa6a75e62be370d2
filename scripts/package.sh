#!/usr/bin/env bash
# Builds the Debian package of Dewscope into dist/ (dewscope_VERSION_ARCH.deb): installs what
# is missing, builds what changed in build/, and packs what the install rules place under /usr.
# Install it with "sudo apt install ./dist/dewscope_*.deb".
set -euo pipefail
export SANITIZE=0
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
# The program learns at configure time where its installed data lies.
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$BUILD" --parallel "$(nproc)"
rm -rf "$ROOT/dist/_CPack_Packages"
cpack --config "$BUILD/CPackConfig.cmake" -B "$ROOT/dist"
rm -rf "$ROOT/dist/_CPack_Packages"
ls -l "$ROOT"/dist/dewscope_*.deb
