// The panel's widgets showing the state of their models. The models hold the
// truth; these only copy it onto a widget.
#pragma once

#include "engine/PanelModel.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace jostle::ui {

void ShowModel(QPushButton& button, const ButtonModel& model);
void ShowModel(QLabel& label, const StaticModel& model);
void ShowModel(QLineEdit& edit, const EditModel& model);
void ShowModel(QComboBox& combo, const ComboModel& model);

} // namespace jostle::ui
