#!/usr/bin/env bash
# The desktop program where no tray exists: it says so, then shows its panel
# and keeps it shown, so the user always has a way in.
#
#   desktop_no_tray.sh JOSTLE SERVER OUTDIR
set -uo pipefail

source "$(dirname "$0")/e2e_lib.sh"
begin_desktop_run "$@"

# The visible windows captioned "Jostle": the message box, then the panel.
jostle_windows() {
    xdotool search --onlyvisible --name '^Jostle$' 2>/dev/null
}

window_shown() {
    jostle_windows | grep -qx "$1"
}

window_other_than() {
    local window
    window=$(jostle_windows | grep -vx "$1" | head -1)
    [[ -n $window ]] && echo "$window"
}

start_display
start_jostle

if wait_for 30 jostle_windows >/dev/null; then
    box=$(jostle_windows | head -1)
    if shows_text "$box" "$E2E_OUT/e2e-no-tray.png" -F "Failed to create tray icon"; then
        pass "a message box says \"Failed to create tray icon\" (screenshot: $E2E_OUT/e2e-no-tray.png)"
    else
        fail "the message box reads otherwise: $SCREEN_TEXT"
    fi
    xdotool key Return
else
    fail "no message box appeared"
fi

if wait_for 30 window_other_than "${box:-none}" >/dev/null; then
    panel=$(window_other_than "${box:-none}")
    pass "then the panel shows"
    check_request "$E2E_WORK/request.1"
    xdotool key Return # "Return To Tray", but there is no tray
    sleep 0.5
    check "the panel stays shown" "the panel hid itself" window_shown "$panel"
    xdotool key shift+Tab space # from "Return To Tray" back to "Shutdown Jostle"
    wait_exit "$JOSTLE_PID" 2
    check "Shutdown Jostle ends it with status 0" "after Shutdown the status is $EXIT_STATUS" \
        exited_with_zero
else
    fail "the panel did not show"
fi
finish
