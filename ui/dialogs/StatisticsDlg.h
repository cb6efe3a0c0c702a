// "Statistics Snapshot": the counters since launch and the last problem.
#pragma once

#include "engine/Interfaces.h"
#include "ui/dialogs/TemplateDialog.h"

namespace jostle::ui {

class CStatisticsDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CStatisticsDlg(const StatisticsData& statistics);
};

} // namespace jostle::ui
