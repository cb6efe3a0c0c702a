#!/usr/bin/env bash
# The console front end end to end: jostle-headless against the HTTP test
# server on 127.0.0.1:80, stopped by SIGTERM; then jostle --headless, and jostle
# where the display named cannot be reached, which both hand over to
# jostle-headless, or run without windows themselves where it is missing;
# then a first run whose settings come from an old Jostle.INI.
#
#   headless_cycle.sh JOSTLE_HEADLESS JOSTLE SERVER
set -uo pipefail

E2E_JOSTLE=$1
DESKTOP_JOSTLE=$2
E2E_SERVER=$3
source "$(dirname "$0")/e2e_lib.sh"
begin_run

start_jostle

check_request "$E2E_WORK/request.1"
if wait_for 30 grep -Eq "$HEADLESS_COMPLETED" "$E2E_WORK/jostle.out"; then
    pass "the status line reads \"Jostle completed at\" and a time"
else
    fail "no completed status line: $(cat "$E2E_WORK/jostle.out")"
fi
check "the first status line is stamped with the time" "no first status line" \
    grep -Eq '^[0-2][0-9]:[0-5][0-9]:[0-5][0-9] PLEASE START ME$' "$E2E_WORK/jostle.out"

kill -TERM "$JOSTLE_PID"
wait_exit "$JOSTLE_PID" 5
check "SIGTERM ends it with status 0" "after SIGTERM the status is $EXIT_STATUS" exited_with_zero
check "no message on standard error" "unexpected messages: $(cat "$E2E_WORK/jostle.err")" \
    test ! -s "$E2E_WORK/jostle.err"

check_setting "$E2E_WORK/settings.reg" ComboName0 127.0.0.1
check_setting "$E2E_WORK/settings.reg" ComboNameSel 0
check_setting "$E2E_WORK/settings.reg" Often 25

# ran_as PROGRAM: the last run ended up running PROGRAM.
ran_as() {
    [[ $RAN_AS == "$1" ]]
}

headless_program=$(realpath "$E2E_JOSTLE")
run_until_completed asked "jostle --headless runs without windows" \
    "$DESKTOP_JOSTLE" --headless --settings "$E2E_WORK/settings.reg"
check "it hands over to jostle-headless" "it ran as $RAN_AS" ran_as "$headless_program"
check "SIGTERM ends that run with status 0" "after SIGTERM the status is $EXIT_STATUS" \
    exited_with_zero

run_until_completed fallback "with an unreachable display it runs without windows" \
    DISPLAY=:87 WAYLAND_DISPLAY= "$DESKTOP_JOSTLE" --settings "$E2E_WORK/settings.reg"
check "it says why it runs without windows" "no word on the display: $(cat "$E2E_WORK/fallback.err")" \
    grep -q "cannot reach the display :87" "$E2E_WORK/fallback.err"
check "it hands over to jostle-headless" "it ran as $RAN_AS" ran_as "$headless_program"
check "SIGTERM ends that run with status 0" "after SIGTERM the status is $EXIT_STATUS" \
    exited_with_zero

# Without jostle-headless beside it, jostle runs without windows itself.
mkdir "$E2E_WORK/alone"
cp "$DESKTOP_JOSTLE" "$E2E_WORK/alone/jostle"
run_until_completed alone "jostle alone runs without windows in its own process" \
    "$E2E_WORK/alone/jostle" --headless --settings "$E2E_WORK/settings.reg"
check "it runs as itself" "it ran as $RAN_AS" ran_as "$E2E_WORK/alone/jostle"
check "SIGTERM ends that run with status 0" "after SIGTERM the status is $EXIT_STATUS" \
    exited_with_zero
check "no message on standard error" "unexpected messages: $(cat "$E2E_WORK/alone.err")" \
    test ! -s "$E2E_WORK/alone.err"

# A first run: no settings file yet, an old INI file in $WINDIR.
mkdir "$E2E_WORK/windows"
printf 'stray line\r\n[Settings]\r\nComboName0=127.0.0.1\r\nDebug=1\r\nOften=7' \
    >"$E2E_WORK/windows/Jostle.INI"
run_until_completed first "a first run takes its targets from Jostle.INI" \
    WINDIR="$E2E_WORK/windows" "$E2E_JOSTLE" --settings "$E2E_WORK/first/settings.reg"
check_setting "$E2E_WORK/first/settings.reg" ComboName0 127.0.0.1
check_setting "$E2E_WORK/first/settings.reg" Debug 1
check_setting "$E2E_WORK/first/settings.reg" Often 7
finish
