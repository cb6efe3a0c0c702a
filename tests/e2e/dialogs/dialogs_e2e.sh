#!/usr/bin/env bash
# The dialogs in the running program: in Xvfb with a real tray (trayer),
# inside the private network namespace (run through tests/netns.sh). Opens
# each dialog from the menus, keeps a screenshot of each as
# OUTDIR/e2e-dialog-NAME.png, and ends the program from the tray menu while
# the About box is open; then, in a second run, while a connect failure's
# message box and the About box over it are open.
#
#   dialogs_e2e.sh JOSTLE OUTDIR
set -uo pipefail

E2E_JOSTLE=$1
E2E_OUT=$2
source "$(dirname "$0")/../e2e_lib.sh"
begin_run

# Stops the run at once: what follows needs what failed.
abort() {
    fail "$*"
    [[ -s "${JOSTLE_ERR:-}" ]] && sed 's/^/jostle: /' "$JOSTLE_ERR" >&2
    finish
}

# write_dialog_settings FILE VALUE_LINES: loopback names only, and the value
# lines given.
write_dialog_settings() {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n' >"$1"
    printf '[HKEY_LOCAL_MACHINE\\Software\\Quorvane Software\\Jostle\\Settings]\r\n' >>"$1"
    printf '"ComboName0"="127.0.0.1"\r\n"ComboName1"="localhost"\r\n' >>"$1"
    printf '%s' "$2" >>"$1"
}

# Starts jostle with the settings file $1 and waits for its tray icon; its
# output goes next to the file, as NAME.out and NAME.err (JOSTLE_ERR).
start_program() {
    JOSTLE_ERR=${1%.reg}.err
    launch_jostle "$1" "${1%.reg}"
    wait_for 30 xembed_icon_window >/dev/null || abort "the tray icon did not appear"
}

# Chooses Exit from the tray menu; the program must end with status 0.
exit_from_tray() {
    local while_open=$1
    choose_from_tray_menu x
    wait_exit "$JOSTLE_PID" 5
    if [[ $EXIT_STATUS == 0 ]]; then
        pass "Exit from the tray with $while_open open ends with status 0"
    else
        fail "after Exit with $while_open open the status is $EXIT_STATUS; stderr: $(cat "$JOSTLE_ERR")"
    fi
}

visible_window() {
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1
}

window_shown() {
    [[ -n $(visible_window "$1") ]]
}

window_gone() {
    ! window_shown "$1"
}

# Opens the dialog TITLE with the frame's menu KEYS, keeps a screenshot of it
# as NAME, checks that it shows TEXT, and closes it with Esc.
#   check_dialog TITLE NAME TEXT KEYS...
check_dialog() {
    local label=$1 title="^$1\$" name=$2 text=$3 window
    shift 3
    xdotool windowfocus --sync "$FRAME"
    xdotool key --delay 200 "$@"
    if ! wait_for 5 window_shown "$title"; then
        fail "\"$label\" did not open"
        import -window root "$E2E_OUT/e2e-dialog-$name-failure.png"
        return
    fi
    window=$(visible_window "$title")
    if shows_text "$window" "$E2E_OUT/e2e-dialog-$name.png" -F "$text"; then
        pass "\"$label\" opens from the menu and shows \"$text\" (screenshot: $E2E_OUT/e2e-dialog-$name.png)"
    else
        fail "\"$label\" reads otherwise: $SCREEN_TEXT"
    fi
    xdotool windowfocus --sync "$window" key Escape
    wait_for 5 window_gone "$title" || fail "\"$label\" did not close with Esc"
}

start_display
start_tray
# No automatic start: the dialogs are what is tested.
write_dialog_settings "$E2E_WORK/settings.reg" $'"AutoStart"="0"\r\n'
start_program "$E2E_WORK/settings.reg"

choose_from_tray_menu r
wait_for 5 window_shown '^Jostle$' || abort "Restore did not show the panel"
FRAME=$(visible_window '^Jostle$')

check_dialog "Edit Names" edit-names "Click and Drag names if you wish to re-order them." alt+j e
check_dialog "Options" options "Ignore Connection Failures" alt+j o
check_dialog "Statistics Snapshot" statistics "Number of successful Jostles:" alt+j Up Return
check_dialog "Jostle Help" help "The control panel" alt+h h
check_dialog "About Jostle" about "Copyright (C) 1997-2026" alt+h a

choose_from_tray_menu a
wait_for 5 window_shown '^About Jostle$' || abort "About from the tray menu did not open"
exit_from_tray "the About box"

# Nothing listens on port 80 and failures are not ignored: the first attempt
# ends in a message box, and the About box goes over it.
write_dialog_settings "$E2E_WORK/failing.reg" $'"AutoStart"="1"\r\n"Ignore"="0"\r\n"Debug"="1"\r\n'
start_program "$E2E_WORK/failing.reg"
if wait_for 30 window_shown '^Jostle$' &&
    shows_text "$(visible_window '^Jostle$')" "$E2E_OUT/e2e-connect-failure.png" \
        -F "Cannot connect to 127.0.0.1 on port 80"; then
    pass "a failed connect says so in a message box (screenshot: $E2E_OUT/e2e-connect-failure.png)"
else
    fail "no connect failure message: ${SCREEN_TEXT:-no window}"
fi
choose_from_tray_menu a
wait_for 5 window_shown '^About Jostle$' || fail "About from the tray menu did not open over the message"
exit_from_tray "a message box and the About box"
finish
