#!/usr/bin/env bash
# A Qt without its SVG plugins: the program says so on standard error and its
# tray icon shows the built-in bitmap instead of staying blank.
#
#   desktop_icon_fallback.sh JOSTLE SERVER OUTDIR
set -uo pipefail

source "$(dirname "$0")/e2e_lib.sh"
begin_desktop_run "$@"

# A copy of the program beside a qt.conf whose plugin folder holds every
# plugin of this Qt but the SVG ones.
hide_svg_plugins() {
    local qt_plugins plugins=$E2E_WORK/plugins kind
    qt_plugins=$(dirname "$(find /usr/lib -path '*/qt6/plugins/platforms/libqxcb.so' -print -quit)")/..
    mkdir -p "$plugins/imageformats"
    for kind in "$qt_plugins"/*; do
        [[ $(basename "$kind") == @(imageformats|iconengines) ]] || ln -s "$kind" "$plugins/"
    done
    find "$qt_plugins/imageformats" -name '*.so' ! -name '*svg*' -exec ln -s {} "$plugins/imageformats/" \;
    mkdir "$E2E_WORK/bin"
    printf '[Paths]\nPlugins = %s\n' "$plugins" >"$E2E_WORK/bin/qt.conf"
    cp "$E2E_JOSTLE" "$E2E_WORK/bin/jostle"
    E2E_JOSTLE=$E2E_WORK/bin/jostle
    unset QT_PLUGIN_PATH
}

hide_svg_plugins
start_display
start_tray
start_jostle
check "it names the missing SVG plugin on standard error" \
    "standard error says: $(cat "$E2E_WORK/jostle.err")" \
    wait_for 10 grep -q "the icons can't be drawn: the Qt SVG image plugin .* is missing; using built-in bitmaps" \
    "$E2E_WORK/jostle.err"
if wait_for 30 xembed_icon_window >/dev/null; then
    wait_for 5 window_painted "$(xembed_icon_window)" "$E2E_OUT/e2e-icon-fallback.png"
    colours=$(convert "$E2E_OUT/e2e-icon-fallback.png" -format %k info:)
    check "the tray icon is drawn ($colours colours; $E2E_OUT/e2e-icon-fallback.png)" \
        "the tray icon is blank" test "$colours" -gt 2
else
    fail "no tray icon appeared"
fi
end_with_term
stop_started "$E2E_SERVER_PID"
finish
