#!/usr/bin/env bash
# How often jostle-headless wakes: its voluntary context switches over a run
# at a 5-minute period against the loopback test server, counted from a few
# seconds after start-up, with the attempts made meanwhile.
#
#   wakeups.sh JOSTLE_HEADLESS SERVER [SECONDS]
set -euo pipefail
if [[ ${JOSTLE_IN_NETNS:-} != 1 ]]; then
    JOSTLE_IN_NETNS=1 exec "$(dirname "$0")/../../netns.sh" "$0" "$@"
fi
headless=$1 server=$2 seconds=${3:-600}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait; rm -rf "$work"' EXIT
cat >"$work/settings.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Quorvane Software\Jostle\Settings]
"Often"="5"
"ComboName0"="127.0.0.1"
"AutoStart"="0"
REG
"$server" --address 127.0.0.1 --port 80 --max-seconds $((seconds + 60)) &
sleep 1
"$headless" --settings "$work/settings.reg" >"$work/out" 2>&1 &
pid=$!
sleep 5
switches() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$pid/status"; }
before=$(switches)
attempts_before=$(grep -c 'Jostle completed' "$work/out" || true)
sleep "$seconds"
after=$(switches)
attempts=$(($(grep -c 'Jostle completed' "$work/out" || true) - attempts_before))
echo "voluntary context switches in ${seconds} s: $((after - before)); attempts: $attempts"
