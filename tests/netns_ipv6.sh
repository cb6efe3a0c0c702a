#!/usr/bin/env bash
# Runs a command as tests/netns.sh does, in a private network namespace with
# only loopback up, but with IPv4 taken off loopback (::1 stays) and, in a
# private mount namespace, a hosts file of test names bound over /etc/hosts:
#
#   v6only.jostle.test   ::1 alone
#   dual.jostle.test     127.0.0.1 and ::1
#   this machine's name  ::1 alone
#
#   netns_ipv6.sh COMMAND [ARGS...]
set -euo pipefail

hosts=$(mktemp)
trap 'rm -f "$hosts"' EXIT
cat >"$hosts" <<HOSTS
127.0.0.1 localhost
::1 localhost ip6-localhost ip6-loopback
::1 v6only.jostle.test
127.0.0.1 dual.jostle.test
::1 dual.jostle.test
::1 $(hostname)
HOSTS

ipv6_only() {
    mount --bind "$1" /etc/hosts
    ip addr del 127.0.0.1/8 dev lo
    shift
    exec "$@"
}
export -f ipv6_only

"$(dirname "$0")/netns.sh" unshare --mount -- bash -c 'ipv6_only "$@"' bash "$hosts" "$@"
