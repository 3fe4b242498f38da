// A label: a caption, optionally word-wrapped, or a web link that a person
// clicks (the program opens the address; the renderer draws it as a link).
#pragma once

#include <string>

#include "platform/controls/Control.h"

namespace quarvel::platform::controls {

class Label : public Control {
 public:
  explicit Label(std::string name, int index = kNoIndex);

  [[nodiscard]] const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  [[nodiscard]] TextAlignment Alignment() const { return alignment_; }
  void SetAlignment(TextAlignment alignment);
  // Long captions break into lines within the label's width.
  [[nodiscard]] bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);
  [[nodiscard]] bool IsWebLink() const { return webLink_; }
  void SetWebLink(bool webLink);

  bool UserClick();
  Event OnClick;

 private:
  std::string caption_;
  TextAlignment alignment_ = TextAlignment::kLeft;
  bool wordWrap_ = false;
  bool webLink_ = false;
};

}  // namespace quarvel::platform::controls
