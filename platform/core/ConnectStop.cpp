#include "platform/core/ConnectStop.h"

#include <atomic>
#include <poll.h>

namespace jostle {

namespace {

std::atomic<int> g_connectStop{-1};

} // namespace

void SetConnectStopDescriptor(int descriptor) {
    g_connectStop.store(descriptor);
}

int ConnectStopDescriptor() {
    return g_connectStop.load();
}

bool StopRequested() {
    pollfd stop{ConnectStopDescriptor(), POLLIN, 0};
    return stop.fd != -1 && ::poll(&stop, 1, 0) > 0;
}

} // namespace jostle
