// "Options": the four yes/no options of the engine.
#pragma once

#include "engine/Interfaces.h"
#include "ui/dialogs/TemplateDialog.h"

namespace jostle::ui {

class COptionsDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(const OptionsData& options);

    // The check boxes as they stand.
    OptionsData Options() const;

private:
    bool Checked(int id) const;
};

} // namespace jostle::ui
