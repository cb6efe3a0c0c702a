// Menus as data: the Qt layers build widgets from these, the tray logic reads
// the tray menu's first item from here.
#pragma once

#include "res/ResourceIds.h"

#include <span>

namespace jostle::menus {

// id 0 marks a separator.
struct MenuItem {
    int id;
    const char* text;
};

struct Popup {
    const char* title;
    std::span<const MenuItem> items;
};

inline constexpr MenuItem kTrayPopupItems[] = {
    {ids::ID_RESTORE, "&Restore"}, {0, ""}, {ids::ID_APP_ABOUT, "&About Jostle..."}, {0, ""},
    {ids::ID_EXIT, "E&xit"},
};
// Menu 129: one popup.
inline constexpr Popup kTrayMenu[] = {{"_POPUP_", kTrayPopupItems}};

inline constexpr MenuItem kJostlePopupItems[] = {
    {ids::ID_EDIT_NAMES, "&Edit Names..."},
    {ids::ID_OPTIONS, "&Options..."},
    {ids::ID_STATISTICS, "Statistics..."},
};
inline constexpr MenuItem kHelpPopupItems[] = {
    {ids::ID_HELP_FINDER, "&Help Topics"},
    {0, ""},
    {ids::ID_APP_ABOUT, "&About Jostle..."},
};
// Menu 128: the main frame's menu bar.
inline constexpr Popup kMainMenu[] = {{"&Jostle", kJostlePopupItems}, {"&Help", kHelpPopupItems}};

} // namespace jostle::menus
