#include "ui/dialogs/StatisticsDlg.h"

#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"

namespace jostle::ui {

CStatisticsDlg::CStatisticsDlg(const StatisticsData& statistics)
    : CTemplateDialog(templates::kStatisticsTemplate) {
    SetPlainText(ids::IDC_DNS_FAILURES, statistics.dnsFailuresText);
    SetPlainText(ids::IDC_HTTP_FAILURES, statistics.httpFailuresText);
    SetPlainText(ids::IDC_SUCCESS_COUNT, statistics.successCountText);
    SetPlainText(ids::IDC_SOCKET_FAILURES, statistics.socketFailuresText);
    SetPlainText(ids::IDC_PROBLEM_NAME, statistics.lastProblemText);
    if (statistics.lastProblemText.empty()) {
        Control<QLabel>(ids::IDC_PROBLEM_NAME).hide();
        Control<QLabel>(ids::IDC_PROBLEM_LABEL).hide();
    }
}

} // namespace jostle::ui
