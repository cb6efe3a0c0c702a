// A modal dialog made from a dialog template: OK (1) accepts, Cancel (2)
// rejects, and the size is the template's.
#pragma once

#include "res/DialogTemplate.h"
#include "ui/DialogBuilder.h"

#include <QDialog>
#include <QLabel>
#include <string>
#include <vector>

namespace jostle::ui {

class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    explicit CTemplateDialog(const templates::DialogTemplate& dialogTemplate);

protected:
    template <class Widget> Widget& Control(int id) const {
        auto* control = m_controls.ControlAs<Widget>(id);
        Q_ASSERT(control != nullptr);
        return *control;
    }

    // Shows text exactly as it reads, never as markup: names come from the user.
    void SetPlainText(int id, const std::string& text) const;

    // The controls of one kind, in template order.
    std::vector<QWidget*> ControlsOfKind(templates::ControlKind kind) const;

private:
    const templates::DialogTemplate& m_template;
    BuiltDialog m_controls;
};

} // namespace jostle::ui
