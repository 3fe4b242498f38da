#include "platform/controls/qt/WindowFont.h"

namespace quarvel::platform::controls::qt {

QFont WindowFont() {
  QFont font(QStringLiteral("DejaVu Sans"), 9);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace quarvel::platform::controls::qt
