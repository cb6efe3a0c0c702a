// Dialog templates as data: one table per dialog, in dialog units, in tab
// order. ui/ turns a table into widgets; tests read the tables to check ids,
// texts and order.
#pragma once

#include <span>

namespace jostle::templates {

enum class ControlKind {
    DefPushButton,
    PushButton,
    CheckBox, // automatic check box
    Edit,
    ComboBox, // drop-down with an editable field
    ListBox,
    Static, // static text
    Icon,   // icon static; text holds the icon resource id as decimal text
    GroupBox,
};

enum class Align { Left, Center, Right };

// Style bits that matter on Linux.
inline constexpr unsigned kTabStop = 1u << 0;
inline constexpr unsigned kDisabled = 1u << 1;
inline constexpr unsigned kNotSorted = 1u << 2;
inline constexpr unsigned kVScroll = 1u << 3;
inline constexpr unsigned kBorder = 1u << 4;
inline constexpr unsigned kNotify = 1u << 5;

inline constexpr int kNoId = -1;

struct ControlTemplate {
    int id; // kNoId for labels and group boxes
    ControlKind kind;
    const char* text;
    int x, y, width, height; // dialog units
    unsigned style = 0;
    Align align = Align::Left;
    int labelFor = kNoId; // a static text: the id of the input control it names
};

struct DialogTemplate {
    int id;
    const char* caption;     // empty for the panel form, which has none
    int x, y, width, height; // dialog units
    std::span<const ControlTemplate> controls;
};

} // namespace jostle::templates
