#!/usr/bin/env bash
# What a screen reader hears: the accessibility tree of the panel, the names
# editor and the Options dialog, read over AT-SPI (at-spi2-core's bus on a
# private session bus) while the program sits on a StatusNotifierItem tray.
# Every input must be named by its label's text, every button by its own.
# The panel's whole tree is kept as OUTDIR/e2e-a11y-panel.txt.
#
#   desktop_a11y.sh JOSTLE SERVER OUTDIR
set -uo pipefail

source "$(dirname "$0")/e2e_lib.sh"
begin_desktop_run "$@"

atspi() {
    /usr/bin/python3 "$E2E_LIB_DIR/atspi/atspi_tree.py" "$@"
}

# The accessibility bus of this session, before any client asks for it (a
# request before the launcher owns its name would start a second one).
start_accessibility_bus() {
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$E2E_WORK/atspi.log" 2>&1 &
    PIDS+=($!)
    wait_for 30 accessibility_bus_up ||
        { echo "the accessibility bus did not start: $(cat "$E2E_WORK/atspi.log")" >&2; exit 1; }
}

accessibility_bus_up() {
    dbus-send --session --dest=org.freedesktop.DBus --print-reply /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'
}

# check_inputs WINDOW EXPECTED: the inputs of the shown window WINDOW, read
# over AT-SPI, are EXPECTED ("ROLE|NAME" lines in tree order).
check_inputs() {
    local window=$1 expected=$2 read
    if ! wait_for 10 atspi inputs "$JOSTLE_PID" "$window" >/dev/null 2>&1; then
        fail "\"$window\" is not in the accessibility tree: $(atspi tree "$JOSTLE_PID" 2>&1 | head -40)"
        return
    fi
    read=$(atspi inputs "$JOSTLE_PID" "$window")
    if [[ $read == "$expected" ]]; then
        pass "each input of \"$window\" is named by its label, each button by its text"
    else
        fail "\"$window\" reads otherwise:$(diff <(echo "$expected") <(echo "$read") | sed 's/^/  /')"
    fi
}

# check_dialog TITLE EXPECTED KEYS...: opens the dialog from the panel's menu,
# checks its inputs and closes it with Esc.
check_dialog() {
    local title=$1 expected=$2
    shift 2
    xdotool windowfocus --sync "$PANEL" key --delay 200 "$@"
    check_inputs "$title" "$expected"
    xdotool key Escape
    wait_for 5 test -z "$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null)" ||
        fail "\"$title\" did not close with Esc"
}

start_display
start_session_bus
start_accessibility_bus
LOG=$E2E_WORK/sni.log
start_sni_watcher "$LOG"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_jostle
wait_for 30 grep -qs '^registered ' "$LOG" || { fail "no item registered: $(cat "$LOG")"; finish; }
sni "$LOG" activate
wait_for 5 jostle_shown || { fail "Activate did not show the panel"; finish; }
PANEL=$(xdotool search --onlyvisible --name '^Jostle$' | head -1)

check_inputs Jostle "push button|Return To Tray
text|Jostle how often? (minutes)
combo box|Domain Name or IP Address
list|Domain Name or IP Address
text|Domain Name or IP Address
push button|Start or Apply Changes
push button|Shutdown Jostle"
atspi tree "$JOSTLE_PID" >"$E2E_OUT/e2e-a11y-panel.txt"
check_dialog "Edit Names" "push button|OK
push button|Cancel
push button|Delete Selection
push button|Restore Default
list|Click and Drag names if you wish to re-order them." alt+j e
check_dialog Options "push button|OK
push button|Cancel
check box|Auto-Start
check box|Randomize Domain Name
check box|Randomize Jostle Time
check box|Ignore Connection Failures" alt+j o
exit_from_sni_menu "$LOG"
finish
