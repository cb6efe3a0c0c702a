#!/usr/bin/env bash
# At login the desktop's panel often comes a moment after the programs it
# starts. A tray that comes two seconds after the program takes the icon as
# if it had been there: no message box, no panel. First trayer (XEmbed), then
# a StatusNotifierItem watcher on a private session bus.
#
#   desktop_login_race.sh JOSTLE SERVER OUTDIR
set -uo pipefail

source "$(dirname "$0")/e2e_lib.sh"
begin_desktop_run "$@"

# No window captioned "Jostle" shows for $1 seconds.
stays_hidden() {
    ! wait_for "$1" jostle_shown
}

start_display
start_jostle
sleep 2
start_tray
TRAYER_PID=${PIDS[-1]}
check "the icon docks in a tray that came two seconds late" "the icon never docked" \
    wait_for 10 xembed_icon_window
check "no message box and no panel show meanwhile or after" "a window showed" stays_hidden 8
import -window root "$E2E_OUT/e2e-login-race.png"
end_with_term
stop_started "$E2E_SERVER_PID" "$TRAYER_PID"

start_session_bus
LOG=$E2E_WORK/sni.log
start_jostle
sleep 2
start_sni_watcher "$LOG"
check "the item registers with a watcher that came two seconds late" \
    "no item registered: $(cat "$LOG")" wait_for 10 grep -qs '^registered ' "$LOG"
check "no message box and no panel show" "a window showed" stays_hidden 8
end_with_term
stop_started "$E2E_SERVER_PID"
finish
