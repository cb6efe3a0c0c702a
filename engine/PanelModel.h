// The panel's six controls as plain state that the engine drives. Both faces
// share it: the console prints the status line from it, and the desktop builds
// its widgets as views over it only when the panel is first needed. The state
// starts as the panel's template has it.
#pragma once

#include "engine/Interfaces.h"

#include <functional>
#include <string>
#include <vector>

namespace jostle {

// One observer per control, told after each change the engine makes; what a
// user types is written back through the models' own setters, unreported.
class ControlModel {
public:
    void Observe(std::function<void()> changed) { m_changed = std::move(changed); }

protected:
    void Changed() const {
        if (m_changed) {
            m_changed();
        }
    }

private:
    std::function<void()> m_changed;
};

class ButtonModel : public IButton, public ControlModel {
public:
    explicit ButtonModel(bool enabled) : m_enabled(enabled) {}
    void Enable(bool enabled) override;
    bool IsEnabled() const override { return m_enabled; }

private:
    bool m_enabled;
};

class StaticModel : public IStatic, public ControlModel {
public:
    StaticModel(std::string text, bool enabled) : m_text(std::move(text)), m_enabled(enabled) {}
    void SetText(const std::string& text) override;
    std::string Text() const override { return m_text; }
    void Enable(bool enabled) override;
    bool IsEnabled() const override { return m_enabled; }

private:
    std::string m_text;
    bool m_enabled;
};

class EditModel : public IEdit, public ControlModel {
public:
    void SetText(const std::string& text) override;
    std::string Text() const override { return m_text; }
    void Type(const std::string& text) { m_text = text; } // the user's own typing

private:
    std::string m_text;
};

// An unsorted drop-down combo box with an edit field. While the edit text
// differs from the selected entry's text there is no selection, as when the
// user types.
class ComboModel : public ICombo, public ControlModel {
public:
    int Count() const override { return static_cast<int>(m_items.size()); }
    std::string ItemText(int index) const override;
    int FindExact(const std::string& text) const override;
    int Append(const std::string& text) override;
    int Select(int index) override;
    int Selection() const override;
    std::string EditText() const override { return m_editText; }
    void Clear() override;

    const std::vector<std::string>& Items() const { return m_items; }
    // What the user does: types into the edit field, or picks an entry.
    void Type(const std::string& text) { m_editText = text; }
    void Pick(int index);

private:
    bool IsEntry(int index) const { return index >= 0 && index < Count(); }

    std::vector<std::string> m_items;
    int m_selection = -1;
    std::string m_editText;
};

struct PanelModel {
    PanelModel();
    PanelControls Controls();

    ButtonModel startButton;
    ComboModel nameCombo;
    EditModel periodEdit;
    StaticModel countdownLabel;
    StaticModel countdownText;
    StaticModel statusText;
};

} // namespace jostle
