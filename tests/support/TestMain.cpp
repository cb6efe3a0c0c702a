// main() of the Qt test programs, one source built once per kind of
// application (see CMakeLists.txt): Qt Core alone, as jostle-headless runs, or
// widgets on the offscreen platform, with no display needed. Networked test
// programs refuse to run outside the private namespace of tests/netns.sh.
#include "tests/support/PrivateNetwork.h"

#include <QByteArray>
#include <gtest/gtest.h>

#ifdef JOSTLE_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
#ifdef JOSTLE_TEST_PRIVATE_NETWORK
    JOSTLE_REQUIRE_PRIVATE_NETWORK();
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TestApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
