#include "platform/controls/qt/TwipsScale.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace quarvel::platform::controls::qt {

TwipsScale::TwipsScale(double logicalDpi)
    : twipsPerPixel_(1440.0 / (logicalDpi > 0 ? logicalDpi : 96.0)) {}

TwipsScale TwipsScale::ForScreen(const QScreen* screen) {
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return TwipsScale(screen != nullptr ? screen->logicalDotsPerInchX() : 96.0);
}

int TwipsScale::ToPixels(int twips) const {
  return static_cast<int>(std::lround(twips / twipsPerPixel_));
}

QRect TwipsScale::ToPixels(int left, int top, int width, int height) const {
  const int x = ToPixels(left);
  const int y = ToPixels(top);
  return QRect(x, y, ToPixels(left + width) - x, ToPixels(top + height) - y);
}

int TwipsScale::ToTwips(int pixels) const {
  return static_cast<int>(std::lround(pixels * twipsPerPixel_));
}

}  // namespace quarvel::platform::controls::qt
