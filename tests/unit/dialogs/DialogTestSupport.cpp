#include "DialogTestSupport.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

namespace jostle::test {

void WhenModalOpens(std::function<void(QDialog&)> action) {
    QTimer::singleShot(0, [action = std::move(action)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "no modal dialog is open";
        EXPECT_TRUE(dialog->isVisible());
        action(*dialog);
    });
}

void Press(const QWidget& dialog, int id) {
    Find<QPushButton>(dialog, id).click();
}

void ClickThroughWindowSystem(const QWidget& widget) {
    const QWidget& window = *widget.window();
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                      widget.mapTo(&window, widget.rect().center()));
}

std::vector<std::string> LabelTexts(const QWidget& dialog) {
    std::vector<std::string> texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        texts.push_back(label->text().toStdString());
    }
    return texts;
}

bool HasLabel(const QWidget& dialog, const std::string& text) {
    const std::vector<std::string> texts = LabelTexts(dialog);
    return std::ranges::find(texts, text) != texts.end();
}

} // namespace jostle::test
