#!/usr/bin/env bash
# Footprint of jostle in the tray against a bare Qt tray program, side by side
# under Xvfb with a real tray, in a private network namespace.
#
#   footprint.sh BUILD_DIR [SECONDS]
#
# Two runs of SECONDS (default 60) each, both programs at once: "idle"
# (automatic start off) and "cycling" (the cycle running against 127.0.0.1:
# one request at the start, then the one-second tick). Prints peak memory
# (VmHWM, the kernel's maxrss) and CPU time (user + system) of both and their
# ratios; goals: memory within 1.15x, CPU within 1.5x.
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
    exec "$(dirname "$0")/../../netns.sh" "$0" --inside "$@"
fi
shift
BUILD=$(realpath "$1")
SECONDS_TO_RUN=${2:-60}
source "$(dirname "$0")/../../e2e/e2e_lib.sh"
E2E_SERVER=$BUILD/tests/server/jostle_test_http_server
begin_run

start_display
start_tray
start_server "$E2E_WORK/request" $((2 * SECONDS_TO_RUN + 60)) # up for both runs

measure() {
    local name=$1 autostart=$2 settings="$E2E_WORK/$1.reg"
    write_settings "$settings"
    printf '"AutoStart"="%s"\r\n' "$autostart" >>"$settings"
    sed -i 's/"Debug"="1"/"Debug"="0"/' "$settings"
    "$(dirname "$0")/measure.py" "$name" "$SECONDS_TO_RUN" \
        -- "$BUILD/app/jostle" --settings "$settings" \
        -- "$BUILD/tests/bench/footprint/bare_tray"
}

echo "footprint over $SECONDS_TO_RUN s each"
measure idle 0
measure cycling 1
