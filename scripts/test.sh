#!/usr/bin/env bash
# Builds what changed and runs the whole test suite. --sanitize builds into build-sanitize/
# with AddressSanitizer and UndefinedBehaviorSanitizer and runs the suite there with the leak
# check on; any finding fails the run. scripts/lsan.supp names the leaks inside the libraries we
# use that we cannot mend.
set -euo pipefail
if [ "${1:-}" = "--sanitize" ]; then
    shift
    export SANITIZE=1
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
    export LSAN_OPTIONS="suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
fi
DEWSCOPE_BUILD_TARGETS="" # every test suite needs everything built
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$BUILD"
ctest --output-on-failure --timeout 600 "$@"
