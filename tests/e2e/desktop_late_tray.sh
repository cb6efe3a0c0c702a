#!/usr/bin/env bash
# A Wayland display named in the environment that nothing answers, and a tray
# that comes after the program: it falls back to X, starts as without a tray,
# then docks its icon once trayer is up, and Return To Tray hides the panel
# from then on. Without any display it runs without windows.
#
#   desktop_late_tray.sh JOSTLE SERVER OUTDIR
set -uo pipefail

source "$(dirname "$0")/e2e_lib.sh"
begin_desktop_run "$@"

stderr_says() {
    wait_for 10 grep -q "$1" "$E2E_WORK/jostle.err"
}

start_display
export WAYLAND_DISPLAY=jostle-stale XDG_SESSION_TYPE=wayland
start_jostle
check "a stale Wayland display falls back to X, with a note" \
    "no note on the fallback: $(cat "$E2E_WORK/jostle.err")" \
    stderr_says "cannot reach the Wayland display jostle-stale; using the X display $DISPLAY"
if wait_for 30 jostle_shown; then
    xdotool key Return # the message box "Failed to create tray icon"
    check "without a tray the panel shows" "the panel did not show" wait_for 10 jostle_shown
else
    fail "no message box without a tray"
fi
sleep 3
start_tray
check "the icon docks in the tray that came later" "the icon never docked" wait_for 10 xembed_icon_window
import -window root "$E2E_OUT/e2e-late-tray.png"
xdotool key Return # Return To Tray
check "Return To Tray hides the panel now" "the panel stayed" wait_for 5 jostle_hidden
end_with_term
stop_started "$E2E_SERVER_PID"

unset DISPLAY
rm -f "$E2E_WORK"/request.*
start_jostle
check "with no display at all it runs without windows, with a note" \
    "no note: $(cat "$E2E_WORK/jostle.err")" \
    stderr_says "cannot reach the Wayland display jostle-stale; running without windows"
check_request "$E2E_WORK/request.1"
end_with_term
stop_started "$E2E_SERVER_PID"
finish
