#!/usr/bin/env bash
# The desktop program on a StatusNotifierItem tray: a private session bus, a
# watcher that is its own host (sni/sni_tray.py), Xvfb for the windows and no
# XEmbed tray. Then the same with the watcher started after the program.
#
#   desktop_sni.sh JOSTLE SERVER OUTDIR
set -uo pipefail

source "$(dirname "$0")/e2e_lib.sh"
begin_desktop_run "$@"

registered() {
    grep -qs '^registered ' "$1"
}

# The exported menu's labels, in order, on one line.
menu_labels() {
    sni "$1" menu | cut -d' ' -f2- | paste -sd'|'
}

start_display
start_session_bus
LOG=$E2E_WORK/sni.log
start_sni_watcher "$LOG"
start_jostle

if wait_for 30 registered "$LOG"; then
    pass "the item registers with the watcher"
else
    fail "no item registered: $(cat "$LOG")"
fi
title=$(sni "$LOG" property Title)
check "the item's title is Jostle" "the item's title is \"$title\"" test "$title" = Jostle
labels=$(menu_labels "$LOG")
check "its menu holds Restore, About and Exit" "its menu holds \"$labels\"" \
    test "$labels" = "_Restore|_About Jostle...|E_xit"
check "the program starts hidden" "the panel showed at start" jostle_hidden

sni "$LOG" activate
if wait_for 5 jostle_shown; then
    pass "Activate shows the panel"
    import -window root "$E2E_OUT/e2e-sni-panel.png"
    xdotool key Return
    check "Return To Tray hides it again" "the panel stayed" wait_for 5 jostle_hidden
else
    fail "Activate did not show the panel"
fi
check "tooltip changes arrive while counting" "no tooltip change arrived: $(cat "$LOG")" \
    wait_for 10 grep -q '^tooltip Jostle in ' "$LOG"
exit_from_sni_menu "$LOG"

# The watcher comes three seconds after the program: the program starts as
# without a tray, then registers its item once the watcher is there.
stop_started "$SNI_WATCHER_PID"
stop_started "$E2E_SERVER_PID"
LATE_LOG=$E2E_WORK/sni-late.log
start_jostle
if wait_for 30 jostle_shown; then
    xdotool key Return # the message box "Failed to create tray icon"
    pass "without a watcher the program starts as without a tray"
else
    fail "no message box without a watcher"
fi
sleep 3
start_sni_watcher "$LATE_LOG"
check "the item registers once the watcher is up" "no item registered with the late watcher" \
    wait_for 10 registered "$LATE_LOG"
check "the panel shows" "the panel is not shown" wait_for 10 jostle_shown
xdotool key Return # Return To Tray
check "Return To Tray hides the panel now" "the panel stayed" wait_for 5 jostle_hidden
exit_from_sni_menu "$LATE_LOG"
stop_started "$E2E_SERVER_PID"
finish
