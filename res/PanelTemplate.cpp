#include "res/PanelTemplate.h"

#include "res/ResourceIds.h"

namespace jostle::templates {

namespace {

// The edit box right-aligns its text; Enter in it activates the default button.
constexpr ControlTemplate kPanelControls[] = {
    {ids::IDC_RETURN_TO_TRAY, ControlKind::DefPushButton, "Return To Tray", 75, 115, 60, 15,
     kTabStop},
    {ids::IDC_PERIOD, ControlKind::Edit, "", 10, 10, 20, 12, kBorder | kTabStop, Align::Right},
    {ids::IDC_NAME_COMBO, ControlKind::ComboBox, "", 10, 40, 125, 60,
     kNotSorted | kVScroll | kTabStop},
    {ids::IDC_START, ControlKind::PushButton, "Start or Apply Changes", 10, 95, 125, 15,
     kDisabled | kTabStop},
    {ids::IDC_SHUTDOWN, ControlKind::PushButton, "Shutdown Jostle", 10, 115, 60, 15, kTabStop},
    {kNoId, ControlKind::Static, "Jostle how often? (minutes)", 33, 11, 90, 10, 0, Align::Left,
     ids::IDC_PERIOD},
    {kNoId, ControlKind::Static, "Domain Name or IP Address", 10, 30, 120, 8, 0, Align::Left,
     ids::IDC_NAME_COMBO},
    {kNoId, ControlKind::Static, "(Type into box above to add a name)", 10, 55, 120, 8},
    {kNoId, ControlKind::Static, "Status:", 10, 70, 25, 8},
    {ids::IDC_STATUS, ControlKind::Static, " ", 35, 70, 100, 8},
    {ids::IDC_COUNTDOWN_LABEL, ControlKind::Static, "Time until next jostle:", 10, 80, 70, 8,
     kDisabled},
    {ids::IDC_COUNTDOWN, ControlKind::Static, " ", 85, 80, 35, 8},
};

} // namespace

const DialogTemplate kPanelTemplate{ids::IDD_PANEL, "", 0, 0, 146, 141, kPanelControls};

} // namespace jostle::templates
