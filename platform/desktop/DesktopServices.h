// The desktop's services: web and mail addresses, icons.
#pragma once

#include <QIcon>
#include <string>

namespace jostle {

// Opens a web address in the browser, or a "mailto:" address in the mail
// program. True when the desktop took it.
bool DesktopOpen(const std::string& target);

// Icon resourceId from the resources (":/icons/<id>.svg"); a null icon when
// there is no such resource.
QIcon LoadIcon(int resourceId);

} // namespace jostle
