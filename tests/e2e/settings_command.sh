#!/usr/bin/env bash
# Settings by command with both programs: --set of every key and
# --show-settings read back what it wrote; each kind of bad pair leaves the
# file byte for byte and exits 2 with one line naming the key; a file whose
# old Jostle.INI import is pending behaves as at start.
#
#   settings_command.sh JOSTLE_HEADLESS JOSTLE
set -uo pipefail

HEADLESS=$1
DESKTOP=$2
source "$(dirname "$0")/e2e_lib.sh"
begin_run
settings=$E2E_WORK/settings.reg

# run NAME PROGRAM ARGS...: output in $E2E_WORK/NAME.out and NAME.err, the
# exit status in STATUS.
run() {
    local name=$1
    shift
    STATUS=0
    "$@" >"$E2E_WORK/$name.out" 2>"$E2E_WORK/$name.err" || STATUS=$?
}

# listing PERIOD NAMES SELECTED IGNORE RANDOM_NAME RANDOM_TIME AUTO_START FILE
listing() {
    printf '%s\nperiod=%s\nnames=%s\nselected=%s\nignore-failures=%s\nrandom-name=%s\n' \
        "$8" "$1" "$2" "$3" "$4" "$5"
    printf 'random-time=%s\nauto-start=%s\n' "$6" "$7"
}

# shows NAME EXPECTED: NAME.out begins with the listing EXPECTED.
shows() {
    [[ $STATUS == 0 && $(head -n 8 "$E2E_WORK/$1.out") == "$2" ]]
}

run fresh "$HEADLESS" --settings "$settings" --show-settings
defaults=$(listing 25 www.debian.org,www.kernel.org,1.1.1.1,www.gnu.org,www.wikipedia.org 0 \
    on off off on "$settings")
check "--show-settings on a new file shows the defaults" "it showed: $(cat "$E2E_WORK/fresh.out")" \
    shows fresh "$defaults"

run set "$HEADLESS" --settings "$settings" --set period=7 --set 'names=127.0.0.1, localhost,::1' \
    --set selected=LOCALHOST --set ignore-failures=off --set random-name=yes \
    --set random-time=TRUE --set auto-start=0
first=$(listing 7 127.0.0.1,localhost,::1 1 off on on off "$settings")
check "--set of every key shows what it wrote" "it showed: $(cat "$E2E_WORK/set.out" "$E2E_WORK/set.err")" \
    shows set "$first"
check "--set says when a running copy takes the change" "it said: $(cat "$E2E_WORK/set.out")" \
    grep -q "takes the change at its next start" "$E2E_WORK/set.out"
for value in '"Often"="7"' '"ComboName0"="127.0.0.1"' '"ComboName1"="localhost"' \
    '"ComboName2"="::1"' '"ComboNameSel"="1"' '"Ignore"="0"' '"RandomName"="1"' \
    '"RandomTime"="1"' '"AutoStart"="0"'; do
    check "the file holds $value" "the file lacks $value: $(cat "$settings")" \
        grep -qxF "$value" "$settings"
done
run desktop "$DESKTOP" --settings="$settings" --show-settings
check "jostle --show-settings reads the same" "it showed: $(cat "$E2E_WORK/desktop.out")" \
    shows desktop "$first"

# A shorter list clears the stale tail, and the selection follows its name.
run again "$DESKTOP" --set names=localhost,127.0.0.1 --set ignore-failures=ON \
    --set random-name=no --set random-time=false --set auto-start=1 --settings "$settings"
check "a second --set turns every switch back and keeps the selected name" \
    "it showed: $(cat "$E2E_WORK/again.out" "$E2E_WORK/again.err")" \
    shows again "$(listing 7 localhost,127.0.0.1 0 on off off on "$settings")"
check "the stale third name is cleared" "the file: $(cat "$settings")" \
    grep -qxF '"ComboName2"=""' "$settings"
run index "$HEADLESS" --settings "$settings" --set selected=1
check "selected takes an index" "it showed: $(cat "$E2E_WORK/index.out" "$E2E_WORK/index.err")" \
    shows index "$(listing 7 localhost,127.0.0.1 1 on off off on "$settings")"

# Each kind of bad pair, alone and after a good one.
cp "$settings" "$E2E_WORK/before.reg"
long_name=$(printf 'h%.0s' {1..260})
while read -r key pair; do
    run bad "$HEADLESS" --settings "$settings" --set period=9 --set "$pair"
    check "--set $pair exits 2" "--set $pair exited $STATUS" test "$STATUS" == 2
    check "--set $pair leaves the file as it was" "--set $pair changed the file" \
        cmp -s "$E2E_WORK/before.reg" "$settings"
    check "--set $pair says one line naming $key" "it said: $(cat "$E2E_WORK/bad.err")" \
        test "$(wc -l <"$E2E_WORK/bad.err")" == 1 -a -n "$(grep -F ": $key" "$E2E_WORK/bad.err")"
done <<LIST
period period=0
period period=61
period period=soon
names names=
names names=a,,b
names names=a,b,A
names names=$long_name
selected selected=2
selected selected=nowhere
auto-start auto-start=maybe
ignore-failures ignore-failures=
colour colour=red
period period
LIST

# A new settings file beside an old Jostle.INI takes it in first, as at start.
mkdir "$E2E_WORK/windows"
printf '[Settings]\r\nComboName0=127.0.0.1\r\nOften=12\r\n' >"$E2E_WORK/windows/Jostle.INI"
run legacy env WINDIR="$E2E_WORK/windows" "$HEADLESS" --settings "$E2E_WORK/new/a.reg" --show-settings
check "--show-settings shows what a pending import brings" "it showed: $(cat "$E2E_WORK/legacy.out")" \
    shows legacy "$(listing 12 127.0.0.1 0 on off off on "$E2E_WORK/new/a.reg")"
run legacy-set env WINDIR="$E2E_WORK/windows" "$DESKTOP" --settings "$E2E_WORK/new/b.reg" \
    --set random-name=on
check "--set on a pending import keeps the import and adds the pair" \
    "it showed: $(cat "$E2E_WORK/legacy-set.out" "$E2E_WORK/legacy-set.err")" \
    shows legacy-set "$(listing 12 127.0.0.1 0 on on off on "$E2E_WORK/new/b.reg")"
finish
