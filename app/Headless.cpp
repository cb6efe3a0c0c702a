#include "app/Headless.h"

#include "engine/EngineText.h"
#include "platform/core/SystemServices.h"

namespace jostle::headless {

int MemoryCombo::Count() const {
    return static_cast<int>(m_items.size());
}

bool MemoryCombo::IsEntry(int index) const {
    return index >= 0 && index < Count();
}

std::string MemoryCombo::ItemText(int index) const {
    return IsEntry(index) ? m_items[static_cast<std::size_t>(index)] : std::string();
}

int MemoryCombo::FindExact(const std::string& text) const {
    return FindIgnoringCase(m_items, text);
}

int MemoryCombo::Append(const std::string& text) {
    m_items.push_back(text);
    return Count() - 1;
}

int MemoryCombo::Select(int index) {
    m_selection = IsEntry(index) ? index : -1;
    m_editText = ItemText(m_selection);
    return m_selection;
}

int MemoryCombo::Selection() const {
    return m_selection;
}

void MemoryCombo::Clear() {
    m_items.clear();
    m_selection = -1;
    m_editText.clear();
}

void StatusPrinter::SetText(const std::string& text) {
    if (text == Text()) {
        return;
    }
    MemoryStatic::SetText(text);
    std::fprintf(m_out, "%s %s\n", m_clock.LocalTimeText().c_str(), text.c_str());
    std::fflush(m_out);
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

PanelControls MemoryPanel::Controls() {
    return {startButton, nameCombo, periodEdit, countdownLabel, countdownText, statusText};
}

} // namespace jostle::headless
