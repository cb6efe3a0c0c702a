#!/usr/bin/env bash
# The console front end end to end: jostle --headless against the HTTP test
# server on 127.0.0.1:80, stopped by SIGTERM; then jostle without --headless
# where the display named cannot be reached, which also runs without windows;
# then a first run whose settings come from an old Jostle.INI.
#
#   headless_cycle.sh JOSTLE SERVER
set -uo pipefail

E2E_JOSTLE=$1
E2E_SERVER=$2
source "$(dirname "$0")/e2e_lib.sh"
begin_run

start_jostle --headless

check_request "$E2E_WORK/request.1"
completed='^[0-2][0-9]:[0-5][0-9]:[0-5][0-9] Jostle completed at [0-2][0-9]:[0-5][0-9]:[0-5][0-9]$'
if wait_for 30 grep -Eq "$completed" "$E2E_WORK/jostle.out"; then
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

DISPLAY=:87 WAYLAND_DISPLAY='' "$E2E_JOSTLE" --settings "$E2E_WORK/settings.reg" \
    >"$E2E_WORK/fallback.out" 2>"$E2E_WORK/fallback.err" &
JOSTLE_PID=$!
PIDS+=("$JOSTLE_PID")
if wait_for 30 grep -Eq "$completed" "$E2E_WORK/fallback.out"; then
    pass "with an unreachable display it runs without windows"
else
    fail "no completed status line without a display: $(cat "$E2E_WORK/fallback.out" "$E2E_WORK/fallback.err")"
fi
check "it says why it runs without windows" "no word on the display: $(cat "$E2E_WORK/fallback.err")" \
    grep -q "cannot reach the display :87" "$E2E_WORK/fallback.err"
kill -TERM "$JOSTLE_PID"
wait_exit "$JOSTLE_PID" 5
check "SIGTERM ends that run with status 0" "after SIGTERM the status is $EXIT_STATUS" \
    exited_with_zero

# A first run: no settings file yet, an old INI file in $WINDIR.
mkdir "$E2E_WORK/windows"
printf 'stray line\r\n[Settings]\r\nComboName0=127.0.0.1\r\nDebug=1\r\nOften=7' \
    >"$E2E_WORK/windows/Jostle.INI"
WINDIR=$E2E_WORK/windows "$E2E_JOSTLE" --headless --settings "$E2E_WORK/first/settings.reg" \
    >"$E2E_WORK/first.out" 2>"$E2E_WORK/first.err" &
JOSTLE_PID=$!
PIDS+=("$JOSTLE_PID")
if wait_for 30 grep -Eq "$completed" "$E2E_WORK/first.out"; then
    pass "a first run takes its targets from Jostle.INI"
else
    fail "no completed status line after the import: $(cat "$E2E_WORK/first.out" "$E2E_WORK/first.err")"
fi
kill -TERM "$JOSTLE_PID"
wait_exit "$JOSTLE_PID" 5
check_setting "$E2E_WORK/first/settings.reg" ComboName0 127.0.0.1
check_setting "$E2E_WORK/first/settings.reg" Debug 1
check_setting "$E2E_WORK/first/settings.reg" Often 7
finish
