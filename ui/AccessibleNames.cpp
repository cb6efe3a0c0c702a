#include "ui/AccessibleNames.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace jostle::ui {

namespace {

// Qt's own interface for a combo box names it on Linux by its entry, whatever
// name it was given. This one reads the given name (the entry when it has
// none), and is otherwise what Qt's is: a combo box whose children are its
// list and, when editable, its field, whose value is its text and whose
// action opens or closes the list.
class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox& combo) : QAccessibleWidget(&combo, QAccessible::ComboBox) {}

    int childCount() const override { return Combo().isEditable() ? 2 : 1; }

    QAccessibleInterface* child(int index) const override {
        if (index == 0) {
            return QAccessible::queryAccessibleInterface(Combo().view());
        }
        if (index == 1 && Combo().isEditable()) {
            return QAccessible::queryAccessibleInterface(Combo().lineEdit());
        }
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int index = 0; index < childCount(); ++index) {
            if (this->child(index) == child) {
                return index;
            }
        }
        return -1;
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            return Entry();
        }
        const QString text = QAccessibleWidget::text(kind);
        return kind == QAccessible::Name && text.isEmpty() ? Entry() : text;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }

    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction()) {
            return;
        }
        if (Combo().view()->isVisible()) {
            Combo().hidePopup();
        } else {
            Combo().showPopup();
        }
    }

private:
    QComboBox& Combo() const { return *static_cast<QComboBox*>(widget()); }

    QString Entry() const {
        return Combo().isEditable() ? Combo().lineEdit()->text() : Combo().currentText();
    }
};

QAccessibleInterface* NamedComboBoxFactory(const QString& className, QObject* object) {
    auto* combo = qobject_cast<QComboBox*>(object);
    if (className != QLatin1String("QComboBox") || combo == nullptr) {
        return nullptr;
    }
    return new NamedComboBox(*combo);
}

} // namespace

void InstallComboBoxNaming() {
    static const bool installed = [] {
        QAccessible::installFactory(&NamedComboBoxFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QString WithoutMnemonic(const QString& labelText) {
    QString text;
    text.reserve(labelText.size());
    for (qsizetype index = 0; index < labelText.size(); ++index) {
        const bool mnemonic = labelText[index] == QLatin1Char('&') && index + 1 < labelText.size();
        text += labelText[mnemonic ? ++index : index];
    }
    return text;
}

void NameAfterLabel(QWidget& input, const QString& labelText) {
    const QString name = WithoutMnemonic(labelText);
    input.setAccessibleName(name);
    auto* combo = qobject_cast<QComboBox*>(&input);
    if (combo == nullptr) {
        return;
    }
    combo->view()->setAccessibleName(name);
    if (combo->isEditable()) {
        combo->lineEdit()->setAccessibleName(name);
    }
}

} // namespace jostle::ui
