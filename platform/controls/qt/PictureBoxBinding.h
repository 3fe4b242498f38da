// A picture box: a widget that draws what the PictureBox model holds, in
// this order, as the desktop's picture did: the background colour; the
// printed text centred in the fore colour (bold when the font is); then the
// part filled from the left edge in the fore colour. With the not-xor pen
// the fill combines with what lies under it (NOT (pen XOR pixel)): blue over
// white stays blue, and blue text under the blue bar turns white, so the
// centred percentage stays readable wherever the bar reaches. With the copy
// pen the fill simply covers. A drawing change repaints; Refresh repaints at
// once. The status light is a picture box with nothing drawn: its
// background colour is what it shows.
#pragma once

#include <QImage>

#include "platform/controls/qt/ControlBinding.h"

class QFont;

namespace quarvel::platform::controls {
class PictureBox;
}

namespace quarvel::platform::controls::qt {

class PictureWidget;

// The picture of `picture` at `size` logical pixels and `pixelRatio` device
// pixels per logical pixel, text in `font`.
[[nodiscard]] QImage RenderPicture(const PictureBox& picture, QSize size, qreal pixelRatio,
                                   const QFont& font);

class PictureBoxBinding : public ControlBinding {
 public:
  PictureBoxBinding(PictureBox& picture, RenderContext& context);
  [[nodiscard]] QWidget* Widget() const override;
  void Apply(const ControlChange& change) override;

 protected:
  void SyncOwn() override;

 private:
  PictureBox& picture_;
  PictureWidget* widget_;
  int refreshesShown_ = 0;
};

}  // namespace quarvel::platform::controls::qt
