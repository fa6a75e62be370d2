#!/usr/bin/env bash
# Builds what changed and starts Hygrolog. Arguments go to the program. When the system has no
# serial port at all (and no --port or --demo is given), it starts with the built-in simulated
# meter (--demo), so there is something to see.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

demo=1
for arg in "$@"; do
    case "$arg" in
        --port|--port=*|--demo|-h|--help|-v|--version) demo=0 ;;
    esac
done
if [ "$demo" -eq 1 ] && "$BUILD/cli/hygrolog-cli" ports 2>/dev/null | grep -q '^COM'; then
    demo=0
fi
if [ "$demo" -eq 1 ]; then
    echo "No serial port found: starting with the simulated meter (--demo)."
    exec "$BUILD/app/hygrolog" --demo "$@"
fi
exec "$BUILD/app/hygrolog" "$@"
