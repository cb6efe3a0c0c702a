# shellcheck shell=bash
# Shared steps of the end-to-end tests, sourced by them. They run inside the
# private network namespace of tests/netns.sh: nothing can leave loopback.

E2E_FAILURES=0

# In a sanitizer build, leaks inside system libraries are not ours.
E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$E2E_LIB_DIR/lsan.supp"

fail() {
    echo "FAIL: $*" >&2
    E2E_FAILURES=$((E2E_FAILURES + 1))
}

pass() {
    echo "ok: $*"
}

# check PASS_TEXT FAIL_TEXT COMMAND...: runs the command and reports the one
# text or the other.
check() {
    local good=$1 bad=$2
    shift 2
    if "$@"; then
        pass "$good"
    else
        fail "$bad"
    fi
}

exited_with_zero() {
    [[ $EXIT_STATUS == 0 ]]
}

# Refuses to go on outside a namespace whose only interface is loopback.
require_private_network() {
    if ip -o link show | awk -F': ' '{print $2}' | grep -qv '^lo$'; then
        echo "refusing to run: not inside a private network namespace" >&2
        exit 2
    fi
}

# Starts a run: refuses to go on outside the private network, makes the work
# folder and, at exit, ends every process listed in PIDS and removes the folder.
begin_run() {
    require_private_network
    make_workdir
    PIDS=()
    trap end_run EXIT
}

# begin_run for the desktop scripts, which all take JOSTLE SERVER OUTDIR.
begin_desktop_run() {
    E2E_JOSTLE=$1
    E2E_SERVER=$2
    E2E_OUT=$3
    begin_run
}

end_run() {
    stop_started "${PIDS[@]}"
    if ((E2E_FAILURES > 0)) && [[ -s $E2E_WORK/jostle.err ]]; then
        echo "--- jostle's standard error:" >&2
        head -c 4000 "$E2E_WORK/jostle.err" >&2
    fi
    if ((E2E_FAILURES > 0)) && [[ -s $E2E_WORK/xvfb.log ]]; then
        echo "--- the X server's log:" >&2
        tail -c 4000 "$E2E_WORK/xvfb.log" >&2
    fi
    rm -rf "$E2E_WORK"
}

# A temporary folder for the run; Qt's runtime folder goes in it too.
make_workdir() {
    E2E_WORK=$(mktemp -d)
    export XDG_RUNTIME_DIR=$E2E_WORK/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
}

# Waits up to $1 seconds for the command that follows to succeed.
wait_for() {
    local seconds=$1
    shift
    local tries=$((seconds * 10))
    while ((tries-- > 0)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# An X server of its own (a free display number) and a real tray in it.
# The screen saver is off: it would wake every client up after ten minutes.
# No reset: an X server resets when its last client leaves and refuses new
# clients meanwhile, and the short-lived xdotool calls of these tests could
# otherwise be that last client just as trayer or the program connects.
# Another X server starting at the same moment can make this one's keymap
# compilation fail, so a server that dies at start is tried again.
start_display() {
    local attempt pid
    for attempt in 1 2 3; do
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -s 0 -noreset 3>"$E2E_WORK/display" \
            >"$E2E_WORK/xvfb.log" 2>&1 &
        pid=$!
        PIDS+=("$pid")
        wait_for 30 display_up_or_gone "$pid"
        if [[ -s $E2E_WORK/display ]]; then
            export DISPLAY=":$(head -1 "$E2E_WORK/display")"
            unset WAYLAND_DISPLAY
            return 0
        fi
        echo "Xvfb did not start (attempt $attempt): $(cat "$E2E_WORK/xvfb.log")" >&2
    done
    exit 1
}

display_up_or_gone() {
    [[ -s $E2E_WORK/display ]] || ! kill -0 "$1" 2>/dev/null
}

start_tray() {
    trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
        --transparent false >"$E2E_WORK/trayer.log" 2>&1 &
    PIDS+=($!)
    wait_for 30 xdotool search --name '^panel$' >/dev/null ||
        { echo "trayer did not start: $(cat "$E2E_WORK/trayer.log")" >&2; exit 1; }
}

# A Wayland compositor of its own without any screen (weston's headless
# back end, drawn in memory so that it can be photographed), as the only display.
start_weston() {
    weston --backend=headless-backend.so --use-pixman --socket=jostle-wayland --idle-time=0 \
        --debug --log="$E2E_WORK/weston.log" >/dev/null 2>&1 &
    PIDS+=($!)
    wait_for 30 test -S "$XDG_RUNTIME_DIR/jostle-wayland" ||
        { echo "weston did not start: $(cat "$E2E_WORK/weston.log")" >&2; exit 1; }
    export WAYLAND_DISPLAY=jostle-wayland QT_QPA_PLATFORM=wayland
    unset DISPLAY
    # Qt's Wayland plugin loads Mesa's EGL driver where one is installed and
    # unloads it at exit, leaving an allocation that LeakSanitizer can no
    # longer name; the program draws into shared memory and needs no EGL.
    mkdir -p "$E2E_WORK/no-egl-vendors"
    export __EGL_VENDOR_LIBRARY_DIRS=$E2E_WORK/no-egl-vendors
}

# Photographs weston's whole output into $1 (weston-screenshooter may only
# write into the folder it runs in).
wayland_screenshot() {
    local shots=$E2E_WORK/shots
    rm -rf "$shots" && mkdir "$shots" &&
        (cd "$shots" && weston-screenshooter >/dev/null 2>&1) &&
        mv "$shots"/wayland-screenshot-*.png "$1"
}

# A session bus of its own, where D-Bus trays are looked for.
start_session_bus() {
    dbus-daemon --session --nofork --print-address=3 3>"$E2E_WORK/bus" >"$E2E_WORK/bus.log" 2>&1 &
    PIDS+=($!)
    wait_for 30 test -s "$E2E_WORK/bus" ||
        { echo "dbus-daemon did not start: $(cat "$E2E_WORK/bus.log")" >&2; exit 1; }
    DBUS_SESSION_BUS_ADDRESS=$(head -1 "$E2E_WORK/bus")
    export DBUS_SESSION_BUS_ADDRESS
}

# sni LOG COMMAND...: the StatusNotifierItem watcher and host of tests/e2e/sni.
sni() {
    /usr/bin/python3 "$E2E_LIB_DIR/sni/sni_tray.py" "$@"
}

# Starts the watcher, logging to $1, and waits until it owns its name.
start_sni_watcher() {
    /usr/bin/python3 "$E2E_LIB_DIR/sni/sni_tray.py" "$1" watch 2>>"$1.err" &
    SNI_WATCHER_PID=$!
    PIDS+=("$SNI_WATCHER_PID")
    wait_for 30 grep -qs '^watcher up' "$1" ||
        { echo "the StatusNotifierWatcher did not start: $(cat "$1.err")" >&2; exit 1; }
}

# exit_from_sni_menu LOG: the exported menu's Exit ends the program with status 0.
exit_from_sni_menu() {
    sni "$1" click E_xit
    wait_exit "$JOSTLE_PID" 5
    check "the menu's Exit ends the program with status 0" "after Exit the status is $EXIT_STATUS" \
        exited_with_zero
}

# A visible window captioned "Jostle" (the panel, or a message box) exists.
jostle_shown() {
    [[ -n $(xdotool search --onlyvisible --name '^Jostle$' 2>/dev/null) ]]
}

jostle_hidden() {
    ! jostle_shown
}

# The window of the program's icon in trayer's panel.
xembed_icon_window() {
    window_within panel jostle
}

# window_within OUTER INNER: the first window named INNER inside a top-level
# window named OUTER.
window_within() {
    local window
    window=$(xwininfo -root -tree | awk -v outer="\"$1\"" -v inner="\"$2\"" '
        /^     0x/ {inside = index($0, outer) > 0; next}
        inside && index($0, inner) {print $1; exit}')
    [[ -n $window ]] && echo "$window"
}

# The centre of a window in root coordinates.
window_centre() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}

program_windows() {
    xdotool search --onlyvisible --pid "$JOSTLE_PID" 2>/dev/null | sort
}

# The program's window that is visible now and was not in the list $1.
new_program_window() {
    local window
    window=$(comm -13 <(echo "$1") <(program_windows) | head -1)
    [[ -n $window ]] && echo "$window"
}

# True once a screenshot of window $1, kept as $2, shows more than a blank.
# import can hang on a window destroyed under it, hence the time limit.
window_painted() {
    timeout 5 import -window "$1" "$2" 2>/dev/null && (($(convert "$2" -format %k info:) > 2))
}

milliseconds_now() {
    date +%s%3N
}

# Qt takes a second press on the same spot within its double-click interval
# (400 ms) for a double-click, which opens no menu: a right-click on the icon
# comes at least half a second after the one before.
wait_out_double_click() {
    local since=$(($(milliseconds_now) - ${E2E_TRAY_CLICKED:-0}))
    ((since >= 500)) || sleep "0.$(printf %03d $((500 - since)))"
}

# Right-clicks the program's XEmbed tray icon and waits for its menu window;
# a screenshot of the menu is kept as OUTDIR/e2e-menu.png. When no menu
# opens, what the screen held is left on standard error and as
# OUTDIR/e2e-no-menu-N.png, for a failure that is rare and otherwise unseen.
open_tray_menu() {
    local icon x y before menu
    icon=$(xembed_icon_window) || { echo "no tray icon to right-click" >&2; return 1; }
    read -r x y < <(window_centre "$icon")
    before=$(program_windows)
    wait_out_double_click
    xdotool mousemove "$x" "$y" click 3
    E2E_TRAY_CLICKED=$(milliseconds_now)
    if ! wait_for 5 new_program_window "$before" >/dev/null; then
        no_menu_evidence "$icon" "$x" "$y"
        return 1
    fi
    menu=$(new_program_window "$before")
    wait_for 5 window_painted "$menu" "$E2E_OUT/e2e-menu.png" ||
        echo "the tray menu $menu was not painted within 5 s" >&2
}

# no_menu_evidence ICON X Y: the window tree, the pointer and the whole screen.
no_menu_evidence() {
    local shot
    E2E_NO_MENU=$((${E2E_NO_MENU:-0} + 1))
    shot=$E2E_OUT/e2e-no-menu-$E2E_NO_MENU.png
    {
        echo "--- no menu after a right-click at $2,$3 on the icon window $1," \
            "$(($(milliseconds_now) - E2E_TRAY_CLICKED)) ms ago"
        echo "--- pointer: $(xdotool getmouselocation 2>&1)"
        echo "--- windows (xwininfo -root -tree, first 80 lines):"
        xwininfo -root -tree 2>&1 | head -80
        import -window root "$shot" && echo "--- screenshot: $shot"
    } >&2
}

# Chooses an item of the tray menu by its mnemonic key.
choose_from_tray_menu() {
    if open_tray_menu; then
        pass "right-click on the tray icon opens its menu"
        xdotool key "$1"
    else
        fail "right-click on the tray icon opened no menu"
    fi
}

# SIGTERM ends the program with status 0.
end_with_term() {
    kill -TERM "$JOSTLE_PID"
    wait_exit "$JOSTLE_PID" 5
    check "SIGTERM ends it with status 0" "after SIGTERM the status is $EXIT_STATUS" exited_with_zero
}

# Starts the HTTP test server on port 80 of $3 (default 127.0.0.1), recording
# requests to $1.N; it stops by itself after $2 seconds (default 120).
start_server() {
    local record=$1 seconds=${2:-120} address=${3:-127.0.0.1}
    "$E2E_SERVER" --address "$address" --port 80 --record "$record" \
        --ready "$E2E_WORK/server.ready" --max-seconds "$seconds" >"$E2E_WORK/server.out" 2>&1 &
    E2E_SERVER_PID=$!
    PIDS+=("$E2E_SERVER_PID")
    wait_for 30 test -s "$E2E_WORK/server.ready" ||
        { echo "test server did not start: $(cat "$E2E_WORK/server.out")" >&2; exit 1; }
}

# A settings file whose only target is the local test server: 127.0.0.1, or
# the name $2.
write_settings() {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n' >"$1"
    printf '[HKEY_LOCAL_MACHINE\\Software\\Quorvane Software\\Jostle\\Settings]\r\n' >>"$1"
    printf '"ComboName0"="%s"\r\n"Debug"="1"\r\n' "${2:-127.0.0.1}" >>"$1"
}

# Starts the test server (requests recorded as $E2E_WORK/request.N) and
# jostle with a settings file of its own, $E2E_WORK/settings.reg, and the
# arguments given; sets JOSTLE_PID.
start_jostle() {
    start_server "$E2E_WORK/request"
    write_settings "$E2E_WORK/settings.reg"
    launch_jostle "$E2E_WORK/settings.reg" "$E2E_WORK/jostle" "$@"
}

# launch_jostle SETTINGS OUTPUT [ARGS...]: starts jostle with the settings file
# and the arguments, its output in OUTPUT.out and OUTPUT.err; sets JOSTLE_PID.
launch_jostle() {
    local settings=$1 output=$2
    shift 2
    "$E2E_JOSTLE" --settings "$settings" "$@" >"$output.out" 2>"$output.err" &
    JOSTLE_PID=$!
    PIDS+=("$JOSTLE_PID")
}

# check_request RECORD [HOST_PATTERN]: checks a recorded request byte for
# byte; the Host header holds the machine's own address, whatever it is in
# this namespace: a dotted one, unless the extended regular expression
# HOST_PATTERN asks for another form.
check_request() {
    local record=$1 pattern=${2:-'^[0-9]{1,3}(\.[0-9]{1,3}){3}$'}
    if ! wait_for 20 test -s "$record"; then
        fail "no request reached the test server"
        return
    fi
    wait_for 5 grep -q $'^\r$' "$record" || true
    local host
    host=$(sed -n 's/^Host: \(.*\)\r$/\1/p' "$record")
    if [[ ! $host =~ $pattern ]]; then
        fail "the request has no address of the form $pattern in Host: $(od -c "$record" | head -20)"
        return
    fi
    printf 'GET / HTTP/1.0\r\nConnection: Keep-Alive\r\nUser-Agent: Mozilla/3.0 (Win95; I)\r\nHost: %s\r\nAccept: image/gif, image/jpeg, */*\r\n\r\n' \
        "$host" >"$E2E_WORK/expected-request"
    if cmp -s "$E2E_WORK/expected-request" "$record"; then
        pass "the request arrived byte for byte (Host: $host)"
    else
        fail "the request differs: $(cmp "$E2E_WORK/expected-request" "$record"; od -c "$record")"
    fi
}

# The text a screenshot shows, read by OCR (enlarged first: dialog fonts are small).
screen_text() {
    convert "$1" -resize 300% -colorspace Gray "$E2E_WORK/ocr.png" &&
        tesseract "$E2E_WORK/ocr.png" - 2>/dev/null
}

# shows_text WINDOW IMAGE GREP_ARGUMENTS...: takes screenshots of WINDOW into
# IMAGE until grep with those arguments finds a line of what it shows (five
# tries, as a loaded machine may paint late). SCREEN_TEXT holds the last reading.
shows_text() {
    local window=$1 image=$2
    shift 2
    for _ in 1 2 3 4 5; do
        import -window "$window" "$image" && SCREEN_TEXT=$(screen_text "$image") &&
            grep -q "$@" <<<"$SCREEN_TEXT" && return 0
        sleep 0.5
    done
    return 1
}

# The status line of an attempt that succeeded.
HEADLESS_COMPLETED='^[0-2][0-9]:[0-5][0-9]:[0-5][0-9] Jostle completed at [0-2][0-9]:[0-5][0-9]:[0-5][0-9]$'

# run_until_completed NAME PASS_TEXT [VAR=value...] COMMAND...: runs the command
# through env, its output in $E2E_WORK/NAME.out and NAME.err, until a status
# line reads "Jostle completed at"; then ends it with SIGTERM and sets
# EXIT_STATUS, and RAN_AS to the program the process was running then.
run_until_completed() {
    local name=$1 good=$2
    shift 2
    env "$@" >"$E2E_WORK/$name.out" 2>"$E2E_WORK/$name.err" &
    JOSTLE_PID=$!
    PIDS+=("$JOSTLE_PID")
    if wait_for 30 grep -Eq "$HEADLESS_COMPLETED" "$E2E_WORK/$name.out"; then
        pass "$good"
    else
        fail "no completed status line ($good): $(cat "$E2E_WORK/$name.out" "$E2E_WORK/$name.err")"
    fi
    RAN_AS=$(readlink "/proc/$JOSTLE_PID/exe")
    kill -TERM "$JOSTLE_PID"
    wait_exit "$JOSTLE_PID" 5
}

# Checks that the settings file holds a value.
check_setting() {
    local file=$1 name=$2 value=$3
    if grep -q "^\"$name\"=\"$value\"" "$file"; then
        pass "settings hold \"$name\"=\"$value\""
    else
        fail "settings lack \"$name\"=\"$value\": $(cat "$file")"
    fi
}

# True once process $1 has ended (a zombie counts as ended).
has_ended() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 0
    [[ -z $state || $state == Z ]]
}

# Waits up to $2 seconds for process $1, a child of this shell, to end and
# sets EXIT_STATUS to its exit status, or to "running" if it did not end.
wait_exit() {
    local pid=$1 seconds=$2
    EXIT_STATUS=running
    if wait_for "$seconds" has_ended "$pid"; then
        EXIT_STATUS=0
        wait "$pid" || EXIT_STATUS=$?
        forget_started "$pid"
    fi
}

# Ends the processes given and takes them off PIDS, so that the end of the
# run never signals a later process that got the same number.
stop_started() {
    local pid
    for pid in "$@"; do
        [[ -n $pid ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
        forget_started "$pid"
    done
    return 0
}

forget_started() {
    local kept=() pid
    for pid in "${PIDS[@]}"; do
        [[ $pid == "$1" ]] || kept+=("$pid")
    done
    PIDS=("${kept[@]}")
}

finish() {
    # A settings file set aside would have left the program on its default,
    # public targets: the run proves nothing then.
    local refused
    refused=$(grep -hs "can't be parsed" "$E2E_WORK"/*.err)
    [[ -z $refused ]] && pass "every settings file was accepted" ||
        fail "a settings file was set aside: $refused"
    if ((E2E_FAILURES == 0)); then
        echo "e2e: all checks passed"
        exit 0
    fi
    echo "e2e: $E2E_FAILURES check(s) failed" >&2
    exit 1
}
