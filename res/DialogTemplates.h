// Templates 100 (About), 133 (Options), 134 (Edit Names) and 138 (Statistics)
// as data, each table in tab order.
#pragma once

#include "res/DialogTemplate.h"

namespace jostle::templates {

extern const DialogTemplate kAboutTemplate;
extern const DialogTemplate kOptionsTemplate;
extern const DialogTemplate kEditNamesTemplate;
extern const DialogTemplate kStatisticsTemplate;

// The About box's two link texts, and the part of the contact address by
// which a link is recognised as an e-mail address.
inline constexpr const char* kContactAddress = "jostle@example.org";
inline constexpr const char* kContactRecognitionText = "jostle@";
inline constexpr const char* kWebPageAddress = "http://www.example.org/jostle/";

} // namespace jostle::templates
