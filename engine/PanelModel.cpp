#include "engine/PanelModel.h"

#include "engine/EngineText.h"
#include "res/PanelTemplate.h"
#include "res/ResourceIds.h"

#include <algorithm>

namespace jostle {

namespace {

const templates::ControlTemplate& TemplateOf(int id) {
    const auto& controls = templates::kPanelTemplate.controls;
    return *std::find_if(
        controls.begin(), controls.end(),
        [id](const templates::ControlTemplate& control) { return control.id == id; });
}

bool EnabledAtFirst(int id) {
    return (TemplateOf(id).style & templates::kDisabled) == 0;
}

StaticModel StaticAtFirst(int id) {
    return {TemplateOf(id).text, EnabledAtFirst(id)};
}

} // namespace

void ButtonModel::Enable(bool enabled) {
    if (enabled != m_enabled) {
        m_enabled = enabled;
        Changed();
    }
}

void StaticModel::SetText(const std::string& text) {
    if (text != m_text) {
        m_text = text;
        Changed();
    }
}

void StaticModel::Enable(bool enabled) {
    if (enabled != m_enabled) {
        m_enabled = enabled;
        Changed();
    }
}

void EditModel::SetText(const std::string& text) {
    m_text = text;
    Changed(); // even unchanged: the view shows it from its start again
}

std::string ComboModel::ItemText(int index) const {
    return IsEntry(index) ? m_items[static_cast<std::size_t>(index)] : std::string();
}

int ComboModel::FindExact(const std::string& text) const {
    return FindIgnoringCase(m_items, text);
}

int ComboModel::Append(const std::string& text) {
    m_items.push_back(text);
    Changed();
    return Count() - 1;
}

int ComboModel::Select(int index) {
    Pick(index);
    Changed();
    return m_selection;
}

void ComboModel::Pick(int index) {
    m_selection = IsEntry(index) ? index : -1;
    m_editText = ItemText(m_selection);
}

int ComboModel::Selection() const {
    return IsEntry(m_selection) && m_editText == ItemText(m_selection) ? m_selection : -1;
}

void ComboModel::Clear() {
    m_items.clear();
    m_selection = -1;
    m_editText.clear();
    Changed();
}

PanelModel::PanelModel()
    : startButton(EnabledAtFirst(ids::IDC_START)),
      countdownLabel(StaticAtFirst(ids::IDC_COUNTDOWN_LABEL)),
      countdownText(StaticAtFirst(ids::IDC_COUNTDOWN)), statusText(StaticAtFirst(ids::IDC_STATUS)) {
}

PanelControls PanelModel::Controls() {
    return {startButton, nameCombo, periodEdit, countdownLabel, countdownText, statusText};
}

} // namespace jostle
