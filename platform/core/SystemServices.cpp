#include "platform/core/SystemServices.h"

#include <QCoreApplication>
#include <QTimer>
#include <ctime>

namespace jostle {

std::string SystemClock::LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[16] = {};
    if (localtime_r(&now, &local) == nullptr ||
        std::strftime(text, sizeof text, "%H:%M:%S", &local) == 0) {
        return "00:00:00";
    }
    return text;
}

// Milliseconds since the system started, time spent suspended included, cut
// to 32 bits so that it wraps like the original tick count.
std::uint32_t SystemClock::TickCount() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000U +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000000U;
    return static_cast<std::uint32_t>(milliseconds);
}

std::int64_t SystemClock::Seconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

void StdRandom::Seed(unsigned seed) {
    m_engine.seed(seed);
}

int StdRandom::Next() {
    return static_cast<int>(m_engine() >> 1U);
}

void EndEventLoops() {
    QCoreApplication::exit(0);
    // exit() reaches only loops that run now; a loop still to start sees this.
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
}

} // namespace jostle
