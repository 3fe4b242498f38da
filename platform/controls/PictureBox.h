// A picture box used as a drawing surface (the progress bar, the status
// light). What is drawn is kept as state that tests and the renderer read:
// the text printed centred, the part filled from the left edge in the
// foreground colour, and counts of clears and refreshes. Coordinates are in
// the picture's scale: ScaleWidth units across (the program sets it to a
// number of steps), the width in twips until set.
//
// With the not-xor pen draw mode the fill inverts what lies under it, so the
// renderer draws the text readable where the bar covers it.
#pragma once

#include <string>

#include "platform/controls/Control.h"

namespace quarvel::platform::controls {

enum class PictureDrawMode { kCopyPen = 13, kNotXorPen = 10 };
enum class PictureFillStyle { kSolid = 0, kTransparent = 1 };

class PictureBox : public Control {
 public:
  explicit PictureBox(std::string name, int index = kNoIndex);

  // Zero or negative is kErrInvalidPropertyValue.
  [[nodiscard]] double ScaleWidth() const;
  void SetScaleWidth(double scaleWidth);

  // Keeps its picture for repainting (persistent drawing).
  [[nodiscard]] bool AutoRedraw() const { return autoRedraw_; }
  void SetAutoRedraw(bool autoRedraw);
  [[nodiscard]] PictureDrawMode DrawMode() const { return drawMode_; }
  void SetDrawMode(PictureDrawMode mode);
  [[nodiscard]] PictureFillStyle FillStyle() const { return fillStyle_; }
  void SetFillStyle(PictureFillStyle style);

  // Wipes the drawing: no text, nothing filled.
  void Cls();
  void PrintCentred(std::string text);
  // Fills from the left edge to `x` (in scale units, kept within 0..ScaleWidth), full height.
  void FillFromLeft(double x);
  // Brings the drawing to the screen now.
  void Refresh();

  [[nodiscard]] const std::string& PrintedText() const { return printedText_; }
  [[nodiscard]] double FilledTo() const { return filledTo_; }
  // FilledTo as a share of the width, 0 to 1.
  [[nodiscard]] double FilledFraction() const { return filledTo_ / ScaleWidth(); }
  [[nodiscard]] int ClearCount() const { return clearCount_; }
  [[nodiscard]] int RefreshCount() const { return refreshCount_; }

 private:
  double scaleWidth_ = 0;  // 0: the width in twips
  bool autoRedraw_ = false;
  PictureDrawMode drawMode_ = PictureDrawMode::kCopyPen;
  PictureFillStyle fillStyle_ = PictureFillStyle::kTransparent;
  std::string printedText_;
  double filledTo_ = 0;
  int clearCount_ = 0;
  int refreshCount_ = 0;
};

}  // namespace quarvel::platform::controls
