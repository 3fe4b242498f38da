// The font the windows are drawn with: DejaVu Sans 9 pt, Debian's default
// sans-serif face, for which the forms' twips layout was made. Point sizes
// follow the screen's logical DPI like the twips do, so the layout and the
// text scale together.
#pragma once

#include <QFont>

namespace quarvel::platform::controls::qt {

[[nodiscard]] QFont WindowFont();

}  // namespace quarvel::platform::controls::qt
