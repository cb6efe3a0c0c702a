#!/usr/bin/env bash
# The desktop program end to end: a real X server (Xvfb), a real tray (trayer),
# the HTTP test server on 127.0.0.1:80 and jostle with its own settings file.
#
#   desktop_cycle.sh JOSTLE SERVER OUTDIR
#
# Checks the request on the wire, the tray menu, the panel (a screenshot is
# kept as OUTDIR/e2e-panel.png), Return To Tray, Exit and the settings file.
set -uo pipefail

source "$(dirname "$0")/e2e_lib.sh"
begin_desktop_run "$@"

# The visible main frame, by its caption.
panel_window() {
    xdotool search --onlyvisible --name '^Jostle$' 2>/dev/null | head -1
}

panel_shown() {
    [[ -n $(panel_window) ]]
}

panel_hidden() {
    ! panel_shown
}

start_display
start_tray
start_jostle

if wait_for 30 xembed_icon_window >/dev/null; then
    pass "the tray icon is in the tray"
else
    fail "no tray icon appeared"
fi
check "the program starts hidden" "the panel showed at start" panel_hidden

check_request "$E2E_WORK/request.1"

choose_from_tray_menu r
if wait_for 5 panel_shown; then
    pass "Restore shows the panel"
    if shows_text "$(panel_window)" "$E2E_OUT/e2e-panel.png" \
        -E 'Status: Jostle completed at [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'; then
        pass "the status line reads \"Jostle completed at\" and a time (screenshot: $E2E_OUT/e2e-panel.png)"
    else
        fail "the panel reads otherwise: $SCREEN_TEXT"
    fi
else
    fail "Restore did not show the panel"
    import -window root "$E2E_OUT/e2e-failure.png"
fi

xdotool key Return
check "Return To Tray hides the panel" "the panel stayed after Return To Tray" wait_for 5 panel_hidden

choose_from_tray_menu x
wait_exit "$JOSTLE_PID" 2
check "Exit ends the program with status 0 within 2 seconds" \
    "after Exit the program's status is $EXIT_STATUS; stderr: $(cat "$E2E_WORK/jostle.err")" exited_with_zero

check_setting "$E2E_WORK/settings.reg" ComboName0 127.0.0.1
check_setting "$E2E_WORK/settings.reg" ComboNameSel 0
check_setting "$E2E_WORK/settings.reg" Often 25
finish
