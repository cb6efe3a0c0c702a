#!/usr/bin/env bash
# The console front end where loopback has no IPv4 address (the namespace of
# tests/netns_ipv6.sh, whose hosts file gives v6only.jostle.test ::1 alone,
# dual.jostle.test 127.0.0.1 and ::1, and this machine's name ::1 alone),
# against the HTTP test server on [::1]:80: a name with only an IPv6 address,
# a name whose IPv4 address has no route, and ::1 typed as it is are each
# reached in one attempt, with today's request but for the Host value. Then,
# with IPv4 back on loopback, a name with both addresses goes over IPv4.
#
#   headless_ipv6.sh JOSTLE_HEADLESS SERVER
set -uo pipefail

E2E_JOSTLE=$1
E2E_SERVER=$2
source "$(dirname "$0")/e2e_lib.sh"
begin_run

# The own address is ::1, the one address of this machine's name.
own_ipv6='^\[::1\]$'

# attempt NAME TARGET: one run of jostle-headless whose only target is TARGET,
# ended once its first attempt has completed.
attempt() {
    write_settings "$E2E_WORK/$1.reg" "$2"
    run_until_completed "$1" "$2 is reached" "$E2E_JOSTLE" --settings "$E2E_WORK/$1.reg"
    check "no failure on the way to $2" "failures: $(cat "$E2E_WORK/$1.out" "$E2E_WORK/$1.err")" \
        no_failure "$1"
}

# No status line of a failure ("Last connection failed", ...) and no message.
no_failure() {
    ! grep -q "failed" "$E2E_WORK/$1.out" && test ! -s "$E2E_WORK/$1.err"
}

# connections PREFIX COUNT: the server recording to PREFIX has had COUNT connections.
connections() {
    test -e "$1.$2" && test ! -e "$1.$(($2 + 1))"
}

start_server "$E2E_WORK/request" 120 ::1

attempt v6only v6only.jostle.test
check_request "$E2E_WORK/request.1" "$own_ipv6"

attempt dual dual.jostle.test
check_request "$E2E_WORK/request.2" "$own_ipv6"
check "the attempt made one connection" "the server saw another connection" \
    connections "$E2E_WORK/request" 2

# A literal first entry of the list needs no lookup.
attempt literal ::1
check_request "$E2E_WORK/request.3" "$own_ipv6"

ip addr add 127.0.0.1/8 dev lo
rm -f "$E2E_WORK/server.ready"
start_server "$E2E_WORK/request4" 120 127.0.0.1
attempt dual4 dual.jostle.test
check_request "$E2E_WORK/request4.1" "$own_ipv6"
check "with IPv4 present it went over IPv4" "the IPv6 server saw another connection" \
    connections "$E2E_WORK/request" 3
finish
