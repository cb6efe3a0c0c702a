// Which kind of tray the desktop offers at this moment.
#pragma once

namespace jostle {

enum class TrayKind { None, XEmbed, StatusNotifier };

// Asked of the session bus and the X server directly, never through Qt's tray
// code: Qt settles on StatusNotifierItem or XEmbed once, when it makes its
// first tray icon, so the program makes that icon only once a tray is there.
// The order is Qt's: a StatusNotifier host wins over an XEmbed manager.
TrayKind PresentTray();

} // namespace jostle
