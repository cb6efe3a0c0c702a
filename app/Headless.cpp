#include "app/Headless.h"

#include <QCoreApplication>
#include <algorithm>
#include <cctype>

namespace jostle::headless {

namespace {

bool SameIgnoringCase(const std::string& left, const std::string& right) {
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

} // namespace

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
    const auto found =
        std::find_if(m_items.begin(), m_items.end(),
                     [&text](const std::string& item) { return SameIgnoringCase(item, text); });
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
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
    QCoreApplication::exit(0);
}

PanelControls MemoryPanel::Controls() {
    return {startButton, nameCombo, periodEdit, countdownLabel, countdownText, statusText};
}

} // namespace jostle::headless
