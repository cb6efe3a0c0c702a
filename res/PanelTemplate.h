// Template 101: the control panel form, in tab order.
#pragma once

#include "res/DialogTemplate.h"

namespace jostle::templates {

extern const DialogTemplate kPanelTemplate;

} // namespace jostle::templates
