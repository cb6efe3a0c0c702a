// Names input controls for screen readers after their labels.
#pragma once

#include <QString>

class QWidget;

namespace jostle::ui {

// A label's text as a screen reader says it: without the mnemonic's "&"
// ("&&" stands for a "&" of the text).
QString WithoutMnemonic(const QString& labelText);

// Gives input the label's text as its accessible name; a combo box gets it on
// its field and its list too.
void NameAfterLabel(QWidget& input, const QString& labelText);

// Makes combo boxes read their accessible name, rather than the entry they
// show, from now on. Qt keeps the first interface it makes for a widget, so
// this comes before any combo box is made.
void InstallComboBoxNaming();

} // namespace jostle::ui
