#include "ui/dialogs/OptionsDlg.h"

#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"

#include <QCheckBox>

namespace jostle::ui {

COptionsDlg::COptionsDlg(const OptionsData& options)
    : CTemplateDialog(templates::kOptionsTemplate) {
    Control<QCheckBox>(ids::IDC_CHECK_AUTOSTART).setChecked(options.checkAutoStart != 0);
    Control<QCheckBox>(ids::IDC_CHECK_RANDOM_NAME).setChecked(options.checkRandomName != 0);
    Control<QCheckBox>(ids::IDC_CHECK_RANDOM_TIME).setChecked(options.checkRandomTime != 0);
    Control<QCheckBox>(ids::IDC_CHECK_IGNORE).setChecked(options.checkIgnore != 0);
}

int COptionsDlg::Checked(int id) const {
    return Control<QCheckBox>(id).isChecked() ? 1 : 0;
}

OptionsData COptionsDlg::Options() const {
    return {.checkAutoStart = Checked(ids::IDC_CHECK_AUTOSTART),
            .checkRandomName = Checked(ids::IDC_CHECK_RANDOM_NAME),
            .checkRandomTime = Checked(ids::IDC_CHECK_RANDOM_TIME),
            .checkIgnore = Checked(ids::IDC_CHECK_IGNORE)};
}

} // namespace jostle::ui
