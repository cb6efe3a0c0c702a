// The program's fixed numbers: resource, command, control, timer and message ids.
// They are part of the program's outward shape (menus, tests, the tray record),
// so they live in one place and never change.
#pragma once

namespace jostle::ids {

// Icons and cursor.
inline constexpr int IDI_ACTIVE = 128;  // running and idle; also the application icon
inline constexpr int IDI_STOPPED = 130; // stopped after a notification
inline constexpr int IDI_BUSY = 131;    // a request is out

// Menus and dialog templates.
inline constexpr int IDR_MAINFRAME = 128; // menu bar, accelerators, frame icon
inline constexpr int IDR_TRAYMENU = 129;  // the tray icon's context menu; also the tray icon's id
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_PANEL = 101;
inline constexpr int IDD_OPTIONS = 133;
inline constexpr int IDD_EDIT_NAMES = 134;
inline constexpr int IDD_STATISTICS = 138;

// Commands.
inline constexpr int ID_OK = 1;
inline constexpr int ID_CANCEL = 2;
inline constexpr int ID_EDIT_NAMES = 32771;
inline constexpr int ID_OPTIONS = 32772;
inline constexpr int ID_RESTORE = 32773;
inline constexpr int ID_EXIT = 32774;
inline constexpr int ID_STATISTICS = 32775;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_HELP_FINDER = 57667;

// Control panel controls (template 101).
inline constexpr int IDC_PERIOD = 1000;
inline constexpr int IDC_NAME_COMBO = 1001;
inline constexpr int IDC_START = 1003;
inline constexpr int IDC_STATUS = 1004;
inline constexpr int IDC_RETURN_TO_TRAY = 1005;
inline constexpr int IDC_COUNTDOWN_LABEL = 1006;
inline constexpr int IDC_COUNTDOWN = 1007;
inline constexpr int IDC_SHUTDOWN = 1008;

// Names editor (template 134).
inline constexpr int IDC_RESTORE_DEFAULT = 3;
inline constexpr int IDC_DELETE_SELECTION = 4;
inline constexpr int IDC_NAME_LIST = 1010;

// Options (template 133).
inline constexpr int IDC_CHECK_AUTOSTART = 1011;
inline constexpr int IDC_CHECK_RANDOM_NAME = 1013;
inline constexpr int IDC_CHECK_RANDOM_TIME = 1014;
inline constexpr int IDC_CHECK_IGNORE = 1015;

// Statistics (template 138).
inline constexpr int IDC_SUCCESS_COUNT = 1013;
inline constexpr int IDC_HTTP_FAILURES = 1014;
inline constexpr int IDC_DNS_FAILURES = 1015;
inline constexpr int IDC_SOCKET_FAILURES = 1016;
inline constexpr int IDC_PROBLEM_LABEL = 1018;
inline constexpr int IDC_PROBLEM_NAME = 1019;

// About box (template 100).
inline constexpr int IDC_IP_ADDRESS = 1012;
inline constexpr int IDC_TIME_SINCE_LAUNCH = 1013;
inline constexpr int IDC_EMAIL_LINK = 1022;
inline constexpr int IDC_WEB_LINK = 1023;

} // namespace jostle::ids
