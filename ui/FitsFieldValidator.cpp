#include "ui/FitsFieldValidator.h"

#include <QLineEdit>
#include <QStyle>

namespace jostle::ui {

namespace {

// What a line edit keeps free on each side of its text, and for the cursor.
constexpr int kLineEditSideMargin = 2;
constexpr int kCursorWidth = 1;

} // namespace

FitsFieldValidator::FitsFieldValidator(QLineEdit& edit) : QValidator(&edit), m_edit(edit) {}

QValidator::State FitsFieldValidator::validate(QString& input, int& /*position*/) const {
    const int width = m_edit.fontMetrics().horizontalAdvance(input);
    return width <= VisibleTextWidth() ? Acceptable : Invalid;
}

int FitsFieldValidator::VisibleTextWidth() const {
    const int frame =
        m_edit.hasFrame() ? m_edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const QMargins margins = m_edit.textMargins();
    return m_edit.contentsRect().width() - 2 * frame - margins.left() - margins.right() -
           2 * kLineEditSideMargin - kCursorWidth;
}

} // namespace jostle::ui
