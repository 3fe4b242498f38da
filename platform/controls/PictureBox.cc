#include "platform/controls/PictureBox.h"

#include <algorithm>

#include "platform/controls/ControlErrors.h"

namespace quarvel::platform::controls {

PictureBox::PictureBox(std::string name, int index)
    : Control(std::move(name), index, ControlKind::kPictureBox) {}

double PictureBox::ScaleWidth() const {
  if (scaleWidth_ > 0) return scaleWidth_;
  return Width() > 0 ? Width() : 1;
}

void PictureBox::SetScaleWidth(double scaleWidth) {
  if (!(scaleWidth > 0)) ThrowControlError(kErrInvalidPropertyValue);
  Assign(scaleWidth_, scaleWidth);
}

void PictureBox::SetAutoRedraw(bool autoRedraw) { Assign(autoRedraw_, autoRedraw); }
void PictureBox::SetDrawMode(PictureDrawMode mode) { Assign(drawMode_, mode); }
void PictureBox::SetFillStyle(PictureFillStyle style) { Assign(fillStyle_, style); }

void PictureBox::Cls() {
  printedText_.clear();
  filledTo_ = 0;
  ++clearCount_;
  NotifyChanged(ChangeKind::kDrawing);
}

void PictureBox::PrintCentred(std::string text) {
  printedText_ = std::move(text);
  NotifyChanged(ChangeKind::kDrawing);
}

void PictureBox::FillFromLeft(double x) {
  filledTo_ = std::clamp(x, 0.0, ScaleWidth());
  NotifyChanged(ChangeKind::kDrawing);
}

void PictureBox::Refresh() {
  ++refreshCount_;
  NotifyChanged(ChangeKind::kDrawing);
}

}  // namespace quarvel::platform::controls
