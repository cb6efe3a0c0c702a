#!/usr/bin/env bash
# The desktop program under a StatusNotifierItem host from Debian that nobody
# here wrote: xfce4-panel with its status tray, on a private session bus under
# Xvfb. The icon appears, the host's menu shows the program's items (read from
# a screenshot), a click restores the panel, the icon comes back when the host
# is restarted, and the menu's Exit ends the program with status 0.
# Screenshots: OUTDIR/e2e-xfce-*.png.
#
#   desktop_xfce_sni.sh JOSTLE SERVER OUTDIR
set -uo pipefail

source "$(dirname "$0")/e2e_lib.sh"
begin_desktop_run "$@"

# The host's settings (one panel holding the status tray) and caches live in
# this run's folder; its settings daemon, started by the bus, reads them there.
configure_panel() {
    export XDG_CONFIG_HOME=$E2E_WORK/config XDG_CACHE_HOME=$E2E_WORK/cache
    export XDG_DATA_HOME=$E2E_WORK/data
    mkdir -p "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
    cp "$E2E_LIB_DIR/sni/xfce4-panel.xml" "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/"
}

watcher_property() {
    dbus-send --session --dest=org.kde.StatusNotifierWatcher --print-reply /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher "string:$1" \
        2>/dev/null
}

host_up() {
    watcher_property IsStatusNotifierHostRegistered | grep -q 'boolean true'
}

host_gone() {
    ! watcher_property IsStatusNotifierHostRegistered >/dev/null
}

item_registered() {
    watcher_property RegisteredStatusNotifierItems | grep -q '/StatusNotifierItem'
}

# No window manager runs here, which the panel would wait for, and no
# accessibility bus, which it would start.
start_panel() {
    NO_AT_BRIDGE=1 xfce4-panel --disable-wm-check >>"$E2E_WORK/panel.log" 2>&1 &
    PANEL_PID=$!
    PIDS+=("$PANEL_PID")
    wait_for 30 host_up ||
        { echo "xfce4-panel's tray did not start: $(cat "$E2E_WORK/panel.log")" >&2; exit 1; }
}

# The status tray inside the panel (the plugin draws in a process of its own).
tray_window() {
    window_within xfce4-panel wrapper-2.0
}

tray_empty() {
    ! window_painted "$(tray_window)" "$E2E_WORK/empty-tray.png"
}

# The icon is drawn once the tray's window shows more than its background.
check_icon_drawn() {
    if wait_for 10 window_painted "$(tray_window)" "$E2E_OUT/e2e-xfce-$1.png"; then
        pass "the icon shows in the panel $2 (screenshot: $E2E_OUT/e2e-xfce-$1.png)"
    else
        fail "the panel shows no icon $2"
    fi
}

# Clicks the tray with button $1 at its centre; the icon is the only one there.
click_icon() {
    local x y
    read -r x y < <(window_centre "$(tray_window)")
    xdotool mousemove "$x" "$y" click "$1"
}

# The host's menu: the plugin's window typed as a popup menu.
menu_window() {
    local window
    for window in $(xdotool search --onlyvisible --name '^wrapper-2.0$' 2>/dev/null); do
        if xprop -id "$window" _NET_WM_WINDOW_TYPE | grep -q '_NET_WM_WINDOW_TYPE_POPUP_MENU'; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

# The menu's items, read from a screenshot, one line.
menu_reads() {
    SCREEN_TEXT=$(timeout 5 import -window "$(menu_window)" "$E2E_OUT/e2e-xfce-menu.png" &&
        screen_text "$E2E_OUT/e2e-xfce-menu.png" | grep -v '^\s*$' | paste -sd'|')
    [[ $SCREEN_TEXT == "Restore|About Jostle...|Exit" ]]
}

configure_panel
start_display
start_session_bus
start_panel
check "the panel's tray is empty before the program starts" "the tray shows something already" \
    tray_empty
start_jostle
check "the item registers with the panel's watcher" "no item registered" wait_for 30 item_registered
check_icon_drawn icon "at start"
check "the program starts hidden, without a message box" "a window showed at start" jostle_hidden

click_icon 3
if wait_for 5 menu_window >/dev/null && wait_for 5 menu_reads; then
    pass "the host's menu shows Restore, About Jostle... and Exit"
else
    fail "the host's menu reads \"${SCREEN_TEXT:-}\" (screenshot: $E2E_OUT/e2e-xfce-menu.png)"
fi
xdotool key Escape

click_icon 1
if wait_for 5 jostle_shown; then
    pass "a click on the icon restores the panel"
    xdotool key Return
    check "Return To Tray hides it again" "the panel stayed" wait_for 5 jostle_hidden
else
    fail "a click on the icon did not restore the panel"
    import -window root "$E2E_OUT/e2e-xfce-no-panel.png"
fi

stop_started "$PANEL_PID"
wait_for 10 host_gone || fail "the panel's watcher stayed after the panel ended"
start_panel
check "the item registers again with the restarted panel" "no item after the restart" \
    wait_for 30 item_registered
check_icon_drawn restarted "after the host's restart"

click_icon 3
wait_for 5 menu_window >/dev/null && xdotool key x
wait_exit "$JOSTLE_PID" 5
check "the host's menu's Exit ends the program with status 0" "after Exit the status is $EXIT_STATUS" \
    exited_with_zero
stop_started "$E2E_SERVER_PID"
finish
