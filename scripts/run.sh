#!/usr/bin/env bash
# Builds what changed of the program, the command-line tool and the manuals, and starts
# Dewscope. Arguments go to the program. Unless --port or --demo is given, it listens for two
# seconds on every serial port the system lists; when no meter sends readings on any of them, it
# starts with the built-in simulated meter (--demo), so there is something to see on a machine
# with no meter attached.
set -euo pipefail
# Only what running needs: the program, the command-line tool (for the meter check below) and
# the help manuals; the test suites and benchmarks are test.sh's.
DEWSCOPE_BUILD_TARGETS="dewscope dewscope-cli help_manuals"
echo "Building dewscope, dewscope-cli and the help manuals (the first build takes some minutes)..."
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
echo "Built. Starting Dewscope."

cli="$BUILD/cli/dewscope-cli"
demo=1
for arg in "$@"; do
    case "$arg" in
        --port|--port=*|--demo|-h|--help|-v|--version) demo=0 ;;
    esac
done

# True when a meter sends readings on one of the listed ports (all are listened to at once).
meter_attached() {
    local probe found=1
    probe=$(mktemp -d)
    local i=0
    while IFS=$'\t' read -r _ location _; do
        [ -n "$location" ] || continue
        "$cli" monitor --port "$location" --duration 2 >"$probe/$i" 2>/dev/null &
        i=$((i + 1))
    done < <("$cli" ports 2>/dev/null)
    wait
    # A reading line holds the time and the seven display texts, TAB-separated.
    if cat "$probe"/* 2>/dev/null | grep -q $'\t'; then
        found=0
    fi
    rm -rf "$probe"
    return $found
}

if [ "$demo" -eq 1 ] && meter_attached; then
    demo=0
fi
if [ "$demo" -eq 1 ]; then
    echo "No meter found on the serial ports: starting with the simulated meter (--demo)."
    exec "$BUILD/app/dewscope" --demo "$@"
fi
exec "$BUILD/app/dewscope" "$@"
