#include "app/Headless.h"

#include "platform/core/SystemServices.h"

namespace jostle::headless {

void PrintStatusChanges(StaticModel& status, IClock& clock, std::FILE* out, bool stamped,
                        std::function<void(const std::string&)> tell) {
    status.Observe(
        [&status, &clock, out, stamped, tell = std::move(tell), printed = std::string()]() mutable {
            if (status.Text() == printed) {
                return;
            }
            printed = status.Text();
            const std::string stamp = stamped ? clock.LocalTimeText() + " " : "";
            std::fprintf(out, "%s%s\n", stamp.c_str(), printed.c_str());
            std::fflush(out);
            if (tell) {
                tell(printed);
            }
        });
}

void ConsoleAlerts::MessageBox(const std::string& text, AlertIcon /*icon*/) {
    std::fprintf(m_out, "%s\n", text.c_str());
    std::fflush(m_out);
}

bool SilentTrayShell::Add(const NotifyIconData& data) {
    m_window = data.hWnd;
    return true;
}

void SilentTrayShell::SendCommand(int commandId) {
    if (m_window != nullptr) {
        m_window->OnCommand(commandId);
    }
}

void HeadlessFrame::Close() {
    EndEventLoops();
}

} // namespace jostle::headless
