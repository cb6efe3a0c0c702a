// The clock, the random numbers and the end of the event loops: what both
// faces need of the system.
#pragma once

#include "engine/Interfaces.h"

#include <chrono>
#include <random>
#include <string>

namespace jostle {

class SystemClock : public IClock {
public:
    std::string LocalTimeText() override;
    std::int64_t MonotonicMilliseconds() override;
    std::int64_t Seconds() override;
};

// The local wall-clock time, "%H:%M:%S", so long from now.
std::string LocalTimeTextIn(std::chrono::milliseconds fromNow);

class StdRandom : public IRandom {
public:
    void Seed(unsigned seed) override;
    int Next() override;

private:
    std::mt19937 m_engine;
};

// Ends every running event loop, and the main one even when it has not started
// yet (a message box during start-up runs the loop that is asked to end).
void EndEventLoops();

} // namespace jostle
