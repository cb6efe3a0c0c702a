// main() of the networked test programs: inside the private namespace only,
// with a Qt application of the given kind on the offscreen platform.
#pragma once

#include "tests/support/PrivateNetwork.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace jostle::test {

template <typename Application> int RunPlatformTests(int argc, char** argv) {
    JOSTLE_REQUIRE_PRIVATE_NETWORK();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    Application application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace jostle::test
