// The clock, the random numbers and the desktop's services.
#pragma once

#include "engine/Interfaces.h"

#include <QIcon>
#include <random>
#include <string>

namespace jostle {

class SystemClock : public IClock {
public:
    std::string LocalTimeText() override;
    std::uint32_t TickCount() override;
    std::int64_t Seconds() override;
};

class StdRandom : public IRandom {
public:
    void Seed(unsigned seed) override;
    int Next() override;

private:
    std::mt19937 m_engine;
};

// Opens a web address in the browser, or a "mailto:" address in the mail
// program. True when the desktop took it.
bool DesktopOpen(const std::string& target);

// Ends every running event loop, and the main one even when it has not started
// yet (a message box during start-up runs the loop that is asked to end).
void EndEventLoops();

// Icon resourceId from the resources (":/icons/<id>.svg"); a null icon when
// there is no such resource.
QIcon LoadIcon(int resourceId);

} // namespace jostle
