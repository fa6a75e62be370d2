#!/usr/bin/env bash
# Builds what changed and starts Hygrolog. Arguments go to the program; with none, and no meter
# attached, it starts with the built-in simulated meter.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
if [ -x "$BUILD/app/hygrolog" ]; then
    exec "$BUILD/app/hygrolog" "$@"
fi
# Until the window exists: decode a sample frame with the command-line tool.
exec "$BUILD/cli/hygrolog-cli" decode 0200FA01F403 "$@"
