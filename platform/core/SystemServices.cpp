#include "platform/core/SystemServices.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <ctime>

namespace jostle {

std::string SystemClock::LocalTimeText() {
    return LocalTimeTextIn(std::chrono::milliseconds(0));
}

std::string LocalTimeTextIn(std::chrono::milliseconds fromNow) {
    const std::time_t now =
        std::chrono::system_clock::to_time_t(std::chrono::system_clock::now() + fromNow);
    std::tm local{};
    char text[16] = {};
    if (localtime_r(&now, &local) == nullptr ||
        std::strftime(text, sizeof text, "%H:%M:%S", &local) == 0) {
        return "00:00:00";
    }
    return text;
}

// Milliseconds since the system started, time spent suspended included: the
// clock the timers run on.
std::int64_t SystemClock::MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
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
