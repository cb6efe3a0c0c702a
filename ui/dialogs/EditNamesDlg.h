// "Edit Names": reorder the target names by dragging, delete one, or put
// back the default list. Works on a copy; the caller stores the result.
#pragma once

#include "engine/Interfaces.h"
#include "ui/dialogs/TemplateDialog.h"

#include <string>
#include <vector>

class QListWidget;

namespace jostle::ui {

class CEditNamesDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CEditNamesDlg(const EditNamesData& input);

    std::vector<std::string> Names() const;

private:
    void OnDeleteSelection();
    void OnRestoreDefault();
    void Fill(const std::vector<std::string>& names);

    QListWidget& m_nameList;
};

} // namespace jostle::ui
