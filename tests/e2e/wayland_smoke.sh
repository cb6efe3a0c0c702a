#!/usr/bin/env bash
# The desktop program on Wayland (weston without a screen, no X at all): with
# no tray it says so, and a StatusNotifierWatcher started later gets its item;
# with the watcher there from the start, Activate shows the panel. The menu's
# Exit ends either run. (Weston without a screen has no keyboard, so the
# message box stays up in the first run.)
#
#   wayland_smoke.sh JOSTLE SERVER OUTDIR
set -uo pipefail

source "$(dirname "$0")/e2e_lib.sh"
begin_desktop_run "$@"

# shows IMAGE GREP_ARGUMENTS...: photographs the output until its text matches.
shows() {
    local image=$1
    shift
    for _ in 1 2 3 4 5; do
        wayland_screenshot "$image" && SCREEN_TEXT=$(screen_text "$image") &&
            grep -q "$@" <<<"$SCREEN_TEXT" && return 0
        sleep 1
    done
    return 1
}

start_weston
start_session_bus
start_jostle
if shows "$E2E_OUT/e2e-wayland-no-tray.png" -F "Failed to create tray icon"; then
    pass "without a tray a message box says so (screenshot: $E2E_OUT/e2e-wayland-no-tray.png)"
else
    fail "no message box: $SCREEN_TEXT; stderr: $(cat "$E2E_WORK/jostle.err")"
fi
start_sni_watcher "$E2E_WORK/late.log"
check "the item registers with a watcher that came later" "no item registered" \
    wait_for 10 grep -qs '^registered ' "$E2E_WORK/late.log"
exit_from_sni_menu "$E2E_WORK/late.log"
stop_started "$E2E_SERVER_PID" "$SNI_WATCHER_PID"

# With the watcher there from the start, the panel is restored from the item.
start_sni_watcher "$E2E_WORK/sni.log"
start_jostle
wait_for 30 grep -qs '^registered ' "$E2E_WORK/sni.log" || fail "no item registered"
sni "$E2E_WORK/sni.log" activate
if shows "$E2E_OUT/e2e-wayland-panel.png" -F "Return To Tray"; then
    pass "Activate shows the panel (screenshot: $E2E_OUT/e2e-wayland-panel.png)"
else
    fail "the panel does not show: $SCREEN_TEXT"
fi
exit_from_sni_menu "$E2E_WORK/sni.log"
stop_started "$E2E_SERVER_PID"
finish
