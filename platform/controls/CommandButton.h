// A push button. The default button answers the Return key and the cancel
// button the Escape key of its form (the renderer wires the keys); both
// simply click it.
#pragma once

#include <string>

#include "platform/controls/Control.h"

namespace quarvel::platform::controls {

class CommandButton : public Control {
 public:
  explicit CommandButton(std::string name, int index = kNoIndex);

  [[nodiscard]] const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  [[nodiscard]] bool Default() const { return default_; }
  void SetDefault(bool isDefault);
  [[nodiscard]] bool Cancel() const { return cancel_; }
  void SetCancel(bool isCancel);

  // A person presses the button; nothing happens while it is disabled or hidden.
  bool UserClick();
  Event OnClick;

 private:
  std::string caption_;
  bool default_ = false;
  bool cancel_ = false;
};

}  // namespace quarvel::platform::controls
