#!/usr/bin/env bash
# Runs a command inside a private network namespace in which only loopback is
# up, so nothing it does can reach any address outside 127.0.0.0/8.
#
#   netns.sh COMMAND [ARGS...]
#
# Networked tests also check for themselves (tests/support/PrivateNetwork.h)
# and refuse to run where any interface but loopback exists.
set -euo pipefail

inner() {
    ip link set lo up
    # Belt and braces: the namespace must hold no interface but loopback.
    if ip -o link show | awk -F': ' '{print $2}' | grep -qv '^lo$'; then
        echo "netns.sh: an interface other than lo is present; refusing to run" >&2
        exit 97
    fi
    exec "$@"
}
export -f inner

if [[ $(id -u) -eq 0 ]]; then
    exec unshare --net -- bash -c 'inner "$@"' bash "$@"
else
    exec unshare --net --map-root-user -- bash -c 'inner "$@"' bash "$@"
fi
