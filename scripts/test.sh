#!/usr/bin/env bash
# Builds what changed and runs the whole test suite.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$BUILD"
ctest --output-on-failure --timeout 600 "$@"
