#!/usr/bin/env bash
# Footprint of jostle against bare Qt programs, in a private network
# namespace: jostle-headless against bare_core (QCoreApplication and a
# one-second timer), and jostle under Xvfb with a real tray, idle (automatic
# start off) and counting down (the cycle running against 127.0.0.1), against
# bare_tray (QApplication, a tray icon and a one-second timer). Each pair runs
# side by side RUNS times; the medians are printed as table rows (see
# measure.py for what is measured how).
#
#   footprint.sh BUILD_DIR [SECONDS] [RUNS]
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
    exec "$(dirname "$0")/../../netns.sh" "$0" --inside "$@"
fi
shift
BUILD=$(realpath "$1")
SECONDS_TO_RUN=${2:-60}
RUNS=${3:-3}
HERE=$(dirname "$0")
source "$HERE/../../e2e/e2e_lib.sh"
E2E_SERVER=$BUILD/tests/server/jostle_test_http_server
begin_run

start_display
start_tray
# Up for every run: three pairs, each with a few seconds of start-up and stop.
start_server "$E2E_WORK/request" $((3 * RUNS * (SECONDS_TO_RUN + 20) + 60))

# settings NAME AUTOSTART: a settings file with the test server as the only
# target; its path on standard output.
settings() {
    local file="$E2E_WORK/$1.reg"
    write_settings "$file"
    printf '"AutoStart"="%s"\r\n' "$2" >>"$file"
    sed -i 's/"Debug"="1"/"Debug"="0"/' "$file"
    echo "$file"
}

bare_core=$BUILD/tests/bench/footprint/bare_core
bare_tray=$BUILD/tests/bench/footprint/bare_tray
headless=("$BUILD/app/jostle-headless" --settings "$(settings headless 0)")

echo "footprint: medians of $RUNS runs of $SECONDS_TO_RUN s"
echo "| figure | jostle | bare program | ratio | goal |"
echo "|---|---|---|---|---|"
"$HERE/measure.py" resident headless "$SECONDS_TO_RUN" "$RUNS" 1.20 - \
    -- "${headless[@]}" -- "$bare_core"
"$HERE/measure.py" resident "desktop idle in the tray" "$SECONDS_TO_RUN" "$RUNS" 1.10 - \
    -- "$BUILD/app/jostle" --settings "$(settings idle 0)" -- "$bare_tray"
"$HERE/measure.py" resident "desktop countdown" "$SECONDS_TO_RUN" "$RUNS" - 1.5 \
    -- "$BUILD/app/jostle" --settings "$(settings cycling 1)" -- "$bare_tray"
"$HERE/measure.py" first-line headless $((RUNS * 3)) 1.5 -- "${headless[@]}" -- "$bare_core"
