#!/usr/bin/env bash
# jostle-headless as a notify service: a datagram socket of the test's own as
# NOTIFY_SOCKET gets READY=1 once the cycle is set up, STATUS= with every
# status line of an attempt, and STOPPING=1 on SIGTERM; with standard output
# named by JOURNAL_STREAM, the lines come without our time stamp.
#
#   headless_notify.sh JOSTLE_HEADLESS SERVER
set -uo pipefail

E2E_JOSTLE=$1
E2E_SERVER=$2
source "$(dirname "$0")/e2e_lib.sh"
begin_run

notify_socket=$E2E_WORK/notify.sock
notify_log=$E2E_WORK/notify.log
python3 - "$notify_socket" "$notify_log" <<'PY' &
import socket, sys
receiver = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
receiver.bind(sys.argv[1])
with open(sys.argv[2], "a") as log:
    while True:
        log.write(receiver.recv(4096).decode() + "\n")
        log.flush()
PY
PIDS+=($!)
wait_for 10 test -S "$notify_socket" || { fail "the test's notify socket did not appear"; finish; }

start_server "$E2E_WORK/request"
write_settings "$E2E_WORK/settings.reg"
: >"$E2E_WORK/jostle.out"
journal_stream=$(stat -c '%d:%i' "$E2E_WORK/jostle.out")
NOTIFY_SOCKET=$notify_socket JOURNAL_STREAM=$journal_stream \
    "$E2E_JOSTLE" --settings "$E2E_WORK/settings.reg" >>"$E2E_WORK/jostle.out" 2>"$E2E_WORK/jostle.err" &
JOSTLE_PID=$!
PIDS+=("$JOSTLE_PID")

wait_for 30 grep -q '^STATUS=Jostle completed at' "$notify_log" ||
    fail "no STATUS=Jostle completed: $(cat "$notify_log")"
# line_of PATTERN: the number of the first message that matches.
line_of() {
    grep -n -m1 -E "$1" "$notify_log" | cut -d: -f1
}
check "READY=1 comes once, once the cycle is set up and before its attempt ends" \
    "the messages were: $(cat "$notify_log")" \
    test "$(grep -c '^READY=1$' "$notify_log")" == 1 -a \
    "$(line_of '^READY=1$')" -lt "$(line_of '^STATUS=Jostle completed at')"
expected_statuses='PLEASE START ME
NOT RUNNING
Starting Connection
Getting Local IP Address
Determining Local IP Address
Connection made OK
Jostle was sent
Jostle completed at'
statuses=$(sed -n 's/^STATUS=//p' "$notify_log")
check "one STATUS= for each status line of the attempt" "the statuses were: $statuses" \
    test "$(head -n 8 <<<"$statuses" | sed 's/ [0-9:]*$//')" == "$expected_statuses"
check "standard output as the journal gets the same lines without a time stamp" \
    "standard output was: $(cat "$E2E_WORK/jostle.out")" \
    test "$(grep -v '^Next jostle at ' "$E2E_WORK/jostle.out")" == "$statuses"
check "after the attempt comes the time of the next, unstamped too" \
    "standard output was: $(cat "$E2E_WORK/jostle.out")" \
    grep -A1 '^Jostle completed at' "$E2E_WORK/jostle.out" | grep -Eqx 'Next jostle at [0-9:]{8}'

kill -TERM "$JOSTLE_PID"
wait_exit "$JOSTLE_PID" 5
check "SIGTERM ends it with status 0" "after SIGTERM the status is $EXIT_STATUS" exited_with_zero
wait_for 5 grep -qx STOPPING=1 "$notify_log"
stopping=$(line_of '^STOPPING=1$')
check "SIGTERM sends STOPPING=1" "the messages were: $(cat "$notify_log")" \
    test "${stopping:-0}" -gt "$(line_of '^STATUS=Jostle completed at')"
check "no message on standard error" "unexpected messages: $(cat "$E2E_WORK/jostle.err")" \
    test ! -s "$E2E_WORK/jostle.err"
finish
