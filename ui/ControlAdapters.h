// The engine's control interfaces on top of Qt widgets. The widgets hold the
// state; the adapters only translate.
#pragma once

#include "engine/Interfaces.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace jostle::ui {

class ButtonAdapter : public IButton {
public:
    explicit ButtonAdapter(QPushButton& button) : m_button(button) {}
    void Enable(bool enabled) override;
    bool IsEnabled() const override;

private:
    QPushButton& m_button;
};

class StaticAdapter : public IStatic {
public:
    explicit StaticAdapter(QLabel& label) : m_label(label) {}
    void SetText(const std::string& text) override;
    std::string Text() const override;
    void Enable(bool enabled) override;
    bool IsEnabled() const override;

private:
    QLabel& m_label;
};

class EditAdapter : public IEdit {
public:
    explicit EditAdapter(QLineEdit& edit) : m_edit(edit) {}
    void SetText(const std::string& text) override;
    std::string Text() const override;

private:
    QLineEdit& m_edit;
};

// An editable, unsorted combo box. While the edit text differs from the
// current entry's text there is no selection, as when the user types.
class ComboAdapter : public ICombo {
public:
    explicit ComboAdapter(QComboBox& combo) : m_combo(combo) {}
    int Count() const override;
    std::string ItemText(int index) const override;
    int FindExact(const std::string& text) const override;
    int Append(const std::string& text) override;
    int Select(int index) override;
    int Selection() const override;
    std::string EditText() const override;
    void Clear() override;

private:
    QComboBox& m_combo;
};

} // namespace jostle::ui
