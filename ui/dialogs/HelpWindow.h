// "Help Topics": a short window describing the panel, the options and where
// the settings are kept. Not modal: it can stay open beside the panel.
#pragma once

#include <QDialog>

namespace jostle::ui {

class CHelpWindow : public QDialog {
    Q_OBJECT
public:
    CHelpWindow();
};

} // namespace jostle::ui
