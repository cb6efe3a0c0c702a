// Networked tests call this first: they run only where loopback is the one
// network interface, that is, inside the private namespace of tests/netns.sh.
#pragma once

#include <cstdio>
#include <cstring>
#include <ifaddrs.h>

namespace jostle::test {

inline bool InPrivateNetwork() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return false;
    }
    bool onlyLoopback = true;
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (std::strcmp(entry->ifa_name, "lo") != 0) {
            onlyLoopback = false;
        }
    }
    freeifaddrs(list);
    return onlyLoopback;
}

} // namespace jostle::test

// Use at the top of main() of every networked test program.
#define JOSTLE_REQUIRE_PRIVATE_NETWORK()                                                           \
    do {                                                                                           \
        if (!jostle::test::InPrivateNetwork()) {                                                   \
            std::fprintf(stderr, "refusing to run: not inside a private network namespace; "       \
                                 "run through tests/netns.sh\n");                                  \
            return 2;                                                                              \
        }                                                                                          \
    } while (false)
