#include "app/Headless.h"

#include "platform/core/SystemServices.h"

namespace jostle::headless {

void PrintStatusChanges(StaticModel& status, IClock& clock, std::FILE* out) {
    status.Observe([&status, &clock, out, printed = std::string()]() mutable {
        if (status.Text() == printed) {
            return;
        }
        printed = status.Text();
        std::fprintf(out, "%s %s\n", clock.LocalTimeText().c_str(), printed.c_str());
        std::fflush(out);
    });
}

void PrintNextAttempts(Engine& engine, IClock& clock, std::FILE* out) {
    engine.OnScheduled([&engine, &clock, out] {
        const std::optional<std::int64_t> toExpiry = engine.Snapshot().millisecondsToExpiry;
        if (!toExpiry) {
            return;
        }
        std::fprintf(out, "%s Next jostle at %s\n", clock.LocalTimeText().c_str(),
                     LocalTimeTextIn(std::chrono::milliseconds(*toExpiry)).c_str());
        std::fflush(out);
    });
}

void ConsoleAlerts::MessageBox(const std::string& text, AlertIcon /*icon*/) {
    std::fprintf(m_out, "%s\n", text.c_str());
    std::fflush(m_out);
}

void HeadlessFrame::Close() {
    EndEventLoops();
}

} // namespace jostle::headless
