#include "ui/ControlViews.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace jostle::ui {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

// A text set by the program shows its start, as in a box that cannot scroll;
// a line edit would scroll to the cursor at its end.
void ShowFromStart(QLineEdit& edit, const QString& text) {
    edit.setText(text);
    edit.setCursorPosition(0);
}

bool HoldsItems(const QComboBox& combo, const std::vector<std::string>& items) {
    if (combo.count() != static_cast<int>(items.size())) {
        return false;
    }
    for (int index = 0; index < combo.count(); ++index) {
        if (combo.itemText(index) != ToQt(items[static_cast<std::size_t>(index)])) {
            return false;
        }
    }
    return true;
}

} // namespace

void ShowModel(QPushButton& button, const ButtonModel& model) {
    button.setEnabled(model.IsEnabled());
}

void ShowModel(QLabel& label, const StaticModel& model) {
    label.setText(ToQt(model.Text()));
    label.setEnabled(model.IsEnabled());
}

void ShowModel(QLineEdit& edit, const EditModel& model) {
    ShowFromStart(edit, ToQt(model.Text()));
}

// The entries are rebuilt only when they differ: the engine appends or
// clears them rarely, and selects often.
void ShowModel(QComboBox& combo, const ComboModel& model) {
    if (!HoldsItems(combo, model.Items())) {
        combo.clear();
        for (const std::string& item : model.Items()) {
            combo.addItem(ToQt(item));
        }
    }
    combo.setCurrentIndex(model.Selection());
    ShowFromStart(*combo.lineEdit(), ToQt(model.EditText()));
}

} // namespace jostle::ui
