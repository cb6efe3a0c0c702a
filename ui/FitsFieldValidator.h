// Refuses typed text that would not fit the visible width of a line edit, so
// the field never scrolls: what the user typed is all in view.
#pragma once

#include <QValidator>

class QLineEdit;

namespace jostle::ui {

class FitsFieldValidator : public QValidator {
    Q_OBJECT
public:
    explicit FitsFieldValidator(QLineEdit& edit);
    State validate(QString& input, int& position) const override;

private:
    int VisibleTextWidth() const;

    QLineEdit& m_edit;
};

} // namespace jostle::ui
