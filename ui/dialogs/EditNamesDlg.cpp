#include "ui/dialogs/EditNamesDlg.h"

#include "engine/EngineText.h"
#include "engine/SettingsKeys.h"
#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"
#include "ui/dialogs/DragListBox.h"

#include <QListWidget>
#include <QPushButton>

namespace jostle::ui {

CEditNamesDlg::CEditNamesDlg(const EditNamesData& input)
    : CTemplateDialog(templates::kEditNamesTemplate),
      m_nameList(Control<QListWidget>(ids::IDC_NAME_LIST)) {
    new CDragListBox(m_nameList);
    Fill(input.names);
    const int selected = FindIgnoringCase(input.names, input.selectedName);
    if (selected >= 0) {
        m_nameList.setCurrentRow(selected);
    }
    connect(&Control<QPushButton>(ids::IDC_DELETE_SELECTION), &QPushButton::clicked, this,
            &CEditNamesDlg::OnDeleteSelection);
    connect(&Control<QPushButton>(ids::IDC_RESTORE_DEFAULT), &QPushButton::clicked, this,
            &CEditNamesDlg::OnRestoreDefault);
    Control<QPushButton>(ids::ID_OK).setFocus();
}

std::vector<std::string> CEditNamesDlg::Names() const {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(m_nameList.count()));
    for (int row = 0; row < m_nameList.count(); ++row) {
        names.push_back(m_nameList.item(row)->text().toStdString());
    }
    return names;
}

void CEditNamesDlg::Fill(const std::vector<std::string>& names) {
    m_nameList.clear();
    for (const std::string& name : names) {
        m_nameList.addItem(QString::fromStdString(name));
    }
    m_nameList.setCurrentRow(-1);
}

void CEditNamesDlg::OnDeleteSelection() {
    const QList<QListWidgetItem*> selected = m_nameList.selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    delete selected.front();
    m_nameList.clearSelection();
    m_nameList.setCurrentRow(-1);
}

void CEditNamesDlg::OnRestoreDefault() {
    Fill({kDefaultTargetList.begin(), kDefaultTargetList.end()});
}

} // namespace jostle::ui
