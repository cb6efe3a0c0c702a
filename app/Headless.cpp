#include "app/Headless.h"

#include "platform/core/SystemServices.h"

namespace jostle::headless {

namespace {

void PrintLine(std::FILE* out, IClock& clock, bool stamped, const std::string& text) {
    const std::string stamp = stamped ? clock.LocalTimeText() + " " : "";
    std::fprintf(out, "%s%s\n", stamp.c_str(), text.c_str());
    std::fflush(out);
}

} // namespace

void PrintStatusChanges(StaticModel& status, IClock& clock, std::FILE* out, bool stamped,
                        std::function<void(const std::string&)> tell) {
    status.Observe(
        [&status, &clock, out, stamped, tell = std::move(tell), printed = std::string()]() mutable {
            if (status.Text() == printed) {
                return;
            }
            printed = status.Text();
            PrintLine(out, clock, stamped, printed);
            if (tell) {
                tell(printed);
            }
        });
}

void PrintNextAttempts(Engine& engine, IClock& clock, std::FILE* out, bool stamped) {
    engine.OnScheduled([&engine, &clock, out, stamped] {
        const std::optional<std::int64_t> toExpiry = engine.Snapshot().millisecondsToExpiry;
        if (toExpiry) {
            const std::chrono::milliseconds fromNow(*toExpiry);
            PrintLine(out, clock, stamped, "Next jostle at " + LocalTimeTextIn(fromNow));
        }
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
