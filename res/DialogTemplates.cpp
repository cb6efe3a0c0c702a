#include "res/DialogTemplates.h"

#include "res/ResourceIds.h"

namespace jostle::templates {
namespace {

using enum ControlKind;

constexpr ControlTemplate kAboutControls[] = {
    {kNoId, Icon, "128", 145, 130, 20, 20},
    {kNoId, Static, "Jostle Version 2.0", 145, 15, 70, 8, 0, Align::Center},
    {kNoId, Static, "Copyright (C) 1997-2026", 135, 25, 90, 8, 0, Align::Center},
    {ids::ID_OK, DefPushButton, "OK", 181, 132, 39, 14, kTabStop},
    {kNoId, GroupBox, "What Jostle Does", 5, 5, 97, 35},
    {kNoId, Static, "Keeps your ISP connection alive", 15, 17, 74, 17, 0, Align::Center},
    {kNoId, GroupBox, "Legal", 5, 45, 97, 45},
    {kNoId, Static, "Free to use and to share.\nNo warranty of any kind.", 9, 57, 84, 24, 0,
     Align::Center},
    {kNoId, Static, "A 32 bit application\n\nby\n\nQuorvane", 145, 36, 72, 39, 0, Align::Center},
    {kNoId, GroupBox, "Your Current IP Address", 5, 95, 97, 30},
    {ids::IDC_IP_ADDRESS, Static, "ip", 15, 109, 74, 10, 0, Align::Center},
    {kNoId, GroupBox, "Time Since Launch", 5, 130, 97, 30},
    {ids::IDC_TIME_SINCE_LAUNCH, Static, "ip", 15, 144, 74, 10, 0, Align::Center},
    {ids::IDC_EMAIL_LINK, Static, kContactAddress, 135, 90, 90, 10, 0, Align::Center},
    {ids::IDC_WEB_LINK, Static, kWebPageAddress, 120, 110, 120, 10, 0, Align::Center},
    {kNoId, GroupBox, "Fun Facts", 110, 5, 140, 155},
};

constexpr ControlTemplate kOptionsControls[] = {
    {ids::ID_OK, DefPushButton, "OK", 10, 145, 50, 14, kTabStop},
    {ids::ID_CANCEL, PushButton, "Cancel", 80, 145, 50, 14, kTabStop},
    {ids::IDC_CHECK_AUTOSTART, CheckBox, "Auto-Start", 20, 25, 60, 10, kTabStop},
    {kNoId, GroupBox, "Automatic Function", 10, 10, 120, 30},
    {ids::IDC_CHECK_RANDOM_NAME, CheckBox, "Randomize Domain Name", 20, 65, 100, 10, kTabStop},
    {ids::IDC_CHECK_RANDOM_TIME, CheckBox, "Randomize Jostle Time", 20, 80, 100, 10, kTabStop},
    {kNoId, GroupBox, "Randomized Functions", 10, 50, 120, 50},
    {kNoId, GroupBox, "Retry Function", 10, 105, 120, 30},
    {ids::IDC_CHECK_IGNORE, CheckBox, "Ignore Connection Failures", 20, 120, 100, 10, kTabStop},
};

constexpr ControlTemplate kEditNamesControls[] = {
    {ids::ID_OK, DefPushButton, "OK", 125, 60, 60, 14, kTabStop},
    {ids::ID_CANCEL, PushButton, "Cancel", 125, 80, 60, 14, kTabStop},
    {ids::IDC_DELETE_SELECTION, PushButton, "Delete Selection", 125, 20, 60, 14, kTabStop},
    {ids::IDC_RESTORE_DEFAULT, PushButton, "Restore Default", 125, 40, 60, 14, kTabStop},
    {ids::IDC_NAME_LIST, ListBox, "", 5, 20, 105, 75,
     kNotSorted | kNotify | kBorder | kVScroll | kTabStop},
    {kNoId, Static, "Click and Drag names if you wish to re-order them.", 5, 5, 175, 10, 0,
     Align::Left, ids::IDC_NAME_LIST},
};

constexpr ControlTemplate kStatisticsControls[] = {
    {ids::ID_OK, DefPushButton, "OK", 90, 95, 50, 14, kTabStop},
    {kNoId, Static, "Number of successful Jostles:", 5, 6, 100, 10, 0, Align::Right},
    {kNoId, Static, "Number of HTTP failures:", 5, 20, 100, 10, 0, Align::Right},
    {kNoId, Static, "Number of DNS failures:", 5, 35, 100, 10, 0, Align::Right},
    {ids::IDC_SUCCESS_COUNT, Static, "Static", 110, 6, 30, 10, 0, Align::Right},
    {ids::IDC_HTTP_FAILURES, Static, "Static", 110, 20, 30, 10, 0, Align::Right},
    {ids::IDC_DNS_FAILURES, Static, "Static", 110, 35, 30, 10, 0, Align::Right},
    {kNoId, Static, "Number of Socket failures:", 5, 50, 100, 10, 0, Align::Right},
    {ids::IDC_SOCKET_FAILURES, Static, "Static", 110, 50, 30, 10, 0, Align::Right},
    {ids::IDC_PROBLEM_LABEL, Static, "The last Jostle problem occurred with:", 5, 65, 135, 10},
    {ids::IDC_PROBLEM_NAME, Static, "", 15, 80, 125, 10},
};

} // namespace

const DialogTemplate kAboutTemplate{ids::IDD_ABOUTBOX, "About Jostle", 34, 22, 257, 167,
                                    kAboutControls};
const DialogTemplate kOptionsTemplate{ids::IDD_OPTIONS, "Options", 0, 0, 142, 166,
                                      kOptionsControls};
const DialogTemplate kEditNamesTemplate{ids::IDD_EDIT_NAMES, "Edit Names", 0, 0, 197, 106,
                                        kEditNamesControls};
const DialogTemplate kStatisticsTemplate{ids::IDD_STATISTICS, "Statistics Snapshot", 0, 0, 147, 116,
                                         kStatisticsControls};

} // namespace jostle::templates
