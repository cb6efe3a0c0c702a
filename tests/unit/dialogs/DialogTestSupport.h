// Helpers for the dialog tests: find controls by id, act on the modal dialog
// once its own event loop runs, and record what the links open.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace jostle::test {

template <class Widget> Widget& Find(const QWidget& dialog, int id) {
    auto* control = dialog.findChild<Widget*>(QStringLiteral("ctl_%1").arg(id));
    if (control == nullptr) {
        throw std::runtime_error("no control " + std::to_string(id));
    }
    return *control;
}

// Runs action on the modal dialog as soon as it is up; the action must close it.
void WhenModalOpens(std::function<void(QDialog&)> action);

// Presses the push button with this id.
void Press(const QWidget& dialog, int id);

// A left click in the middle of widget as the window system delivers it,
// where a modal window stops it.
void ClickThroughWindowSystem(const QWidget& widget);

// The texts of every label of the dialog, in creation order.
std::vector<std::string> LabelTexts(const QWidget& dialog);
bool HasLabel(const QWidget& dialog, const std::string& text);

// Stands in for the desktop: records each target and answers with result at
// once, or, when deferred, keeps the answer for the test to give.
struct FakeOpener {
    std::vector<std::string> opened;
    bool result = true;
    bool deferred = false;
    std::vector<std::function<void(bool)>> pending;

    std::function<void(const std::string&, std::function<void(bool)>)> Function() {
        return [this](const std::string& target, std::function<void(bool)> answer) {
            opened.push_back(target);
            if (deferred) {
                pending.push_back(std::move(answer));
            } else {
                answer(result);
            }
        };
    }
};

} // namespace jostle::test
