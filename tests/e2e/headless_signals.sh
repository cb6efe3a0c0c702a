#!/usr/bin/env bash
# The console front end when its session goes away: SIGHUP ends it in order
# like SIGTERM; a reader of its standard output that went away does not end
# it; SIGTERM while another program holds the settings lock, or during a
# connect to a host that never answers, ends it at once.
#
#   headless_signals.sh JOSTLE SERVER
set -uo pipefail

E2E_JOSTLE=$1
E2E_SERVER=$2
source "$(dirname "$0")/e2e_lib.sh"
begin_run

# term_within WHEN MILLISECONDS: SIGTERM ends the program with status 0 that soon.
term_within() {
    local when=$1 bound=$2 stopped_at waited_ms
    stopped_at=${EPOCHREALTIME/./}
    kill -TERM "$JOSTLE_PID"
    wait_exit "$JOSTLE_PID" 20
    waited_ms=$(((${EPOCHREALTIME/./} - stopped_at) / 1000))
    echo "SIGTERM to exit $when: $waited_ms ms"
    check "SIGTERM $when ends it within $bound ms" "it took $waited_ms ms" \
        test "$waited_ms" -lt "$bound"
    check "with status 0" "after SIGTERM the status is $EXIT_STATUS" exited_with_zero
}

start_jostle --headless
wait_for 30 grep -q "Jostle completed at" "$E2E_WORK/jostle.out" ||
    fail "no completed status line: $(cat "$E2E_WORK/jostle.out")"
kill -HUP "$JOSTLE_PID"
wait_exit "$JOSTLE_PID" 5
check "SIGHUP ends it with status 0" "after SIGHUP the status is $EXIT_STATUS" exited_with_zero

# The reader takes the first status line and leaves; the attempt, a second
# later, writes its status lines into the broken pipe and must still be made.
mkfifo "$E2E_WORK/out.fifo"
"$E2E_JOSTLE" --headless --settings "$E2E_WORK/settings.reg" \
    >"$E2E_WORK/out.fifo" 2>"$E2E_WORK/pipe.err" &
JOSTLE_PID=$!
PIDS+=("$JOSTLE_PID")
timeout 20 head -n 1 "$E2E_WORK/out.fifo" >"$E2E_WORK/pipe.first"
check "the reader got the first status line" "the reader got: $(cat "$E2E_WORK/pipe.first")" \
    grep -q "PLEASE START ME" "$E2E_WORK/pipe.first"
check "with standard output broken the attempt is still made" "no request after the reader left" \
    wait_for 20 test -s "$E2E_WORK/request.2"
kill -TERM "$JOSTLE_PID"
wait_exit "$JOSTLE_PID" 5
check "then SIGTERM ends it with status 0" "after SIGTERM the status is $EXIT_STATUS" \
    exited_with_zero

# Another program holds the settings file's lock: the save after the
# connection waits for it, but a stop does not wait for the save.
bash -c 'exec 9>"$1" && flock -x 9 && exec sleep 30' holder "$E2E_WORK/settings.reg.lock" &
PIDS+=($!) # the holder becomes sleep itself, so ending it frees the lock at once
launch_jostle "$E2E_WORK/settings.reg" "$E2E_WORK/locked" --headless
check "the attempt connects with the lock held elsewhere" "no connection" \
    wait_for 20 grep -q "Connection made OK" "$E2E_WORK/locked.out"
term_within "while waiting for the lock" 1000

# A server whose backlog is full: the connect hangs in SYN-SENT.
stop_started "$E2E_SERVER_PID"
rm -f "$E2E_WORK/server.ready"
"$E2E_SERVER" --address 127.0.0.1 --port 80 --mode backlog --ready "$E2E_WORK/server.ready" \
    --max-seconds 60 >"$E2E_WORK/server.out" 2>&1 &
PIDS+=($!)
wait_for 30 test -s "$E2E_WORK/server.ready" || fail "no backlog server: $(cat "$E2E_WORK/server.out")"

connecting() {
    ss -Htnp state syn-sent | grep -q "pid=$1,"
}

launch_jostle "$E2E_WORK/settings.reg" "$E2E_WORK/silent" --headless
check "it waits on a connect to the silent host" "no connect in progress" \
    wait_for 20 connecting "$JOSTLE_PID"
# Tens of milliseconds on an idle machine; the bound leaves room for a loaded
# one and still lies far below the 15 s time-out.
term_within "during the connect" 2000
finish
