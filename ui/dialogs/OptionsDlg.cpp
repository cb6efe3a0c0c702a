#include "ui/dialogs/OptionsDlg.h"

#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"

#include <QCheckBox>

namespace jostle::ui {

COptionsDlg::COptionsDlg(const OptionsData& options)
    : CTemplateDialog(templates::kOptionsTemplate) {
    Control<QCheckBox>(ids::IDC_CHECK_AUTOSTART).setChecked(options.checkAutoStart);
    Control<QCheckBox>(ids::IDC_CHECK_RANDOM_NAME).setChecked(options.checkRandomName);
    Control<QCheckBox>(ids::IDC_CHECK_RANDOM_TIME).setChecked(options.checkRandomTime);
    Control<QCheckBox>(ids::IDC_CHECK_IGNORE).setChecked(options.checkIgnore);
}

bool COptionsDlg::Checked(int id) const {
    return Control<QCheckBox>(id).isChecked();
}

OptionsData COptionsDlg::Options() const {
    return {.checkAutoStart = Checked(ids::IDC_CHECK_AUTOSTART),
            .checkRandomName = Checked(ids::IDC_CHECK_RANDOM_NAME),
            .checkRandomTime = Checked(ids::IDC_CHECK_RANDOM_TIME),
            .checkIgnore = Checked(ids::IDC_CHECK_IGNORE)};
}

} // namespace jostle::ui
