#include "ui/dialogs/TemplateDialog.h"

#include "res/ResourceIds.h"

#include <QPushButton>

namespace jostle::ui {

CTemplateDialog::CTemplateDialog(const templates::DialogTemplate& dialogTemplate)
    : m_template(dialogTemplate), m_controls(BuildDialog(dialogTemplate, *this)) {
    setFixedSize(size());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (auto* ok = m_controls.ControlAs<QPushButton>(ids::ID_OK)) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
    if (auto* cancel = m_controls.ControlAs<QPushButton>(ids::ID_CANCEL)) {
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }
}

void CTemplateDialog::SetPlainText(int id, const std::string& text) const {
    auto& label = Control<QLabel>(id);
    label.setTextFormat(Qt::PlainText);
    label.setText(QString::fromStdString(text));
}

std::vector<QWidget*> CTemplateDialog::ControlsOfKind(templates::ControlKind kind) const {
    std::vector<QWidget*> found;
    const std::vector<QWidget*>& built = m_controls.InTemplateOrder();
    for (std::size_t i = 0; i < built.size() && i < m_template.controls.size(); ++i) {
        if (m_template.controls[i].kind == kind) {
            found.push_back(built[i]);
        }
    }
    return found;
}

} // namespace jostle::ui
