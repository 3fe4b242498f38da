// Converts the models' twips to the screen's pixels. A twip is 1/1440 inch;
// at the screen's logical DPI one pixel is 1440 / DPI twips (15 at 96 DPI),
// so a form laid out in twips keeps its proportions to the fonts at any
// scale. Edges are rounded rather than sizes, so controls that touch in twips
// touch on the screen too.
#pragma once

#include <QRect>

class QScreen;

namespace quarvel::platform::controls::qt {

class TwipsScale {
 public:
  // A DPI of zero or less counts as 96.
  explicit TwipsScale(double logicalDpi = 96.0);
  // The scale of `screen`'s logical DPI; the primary screen's when null, 96 DPI without one.
  [[nodiscard]] static TwipsScale ForScreen(const QScreen* screen);

  [[nodiscard]] double TwipsPerPixel() const { return twipsPerPixel_; }
  [[nodiscard]] int ToPixels(int twips) const;
  [[nodiscard]] QRect ToPixels(int left, int top, int width, int height) const;
  [[nodiscard]] int ToTwips(int pixels) const;

 private:
  double twipsPerPixel_;
};

}  // namespace quarvel::platform::controls::qt
