#include "platform/core/ConnectStop.h"

#include <atomic>

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

} // namespace jostle
