// The program's icons, drawn from their SVG resources, with built-in bitmaps
// of the same drawings for a Qt that can't read SVG.
#pragma once

#include <QIcon>

namespace jostle {

// Icon resourceId (":/icons/<id>.svg"), or its bitmap when the drawing can't
// be rendered, said once per run on standard error; a null icon when there is
// no such resource.
QIcon LoadIcon(int resourceId);

} // namespace jostle
