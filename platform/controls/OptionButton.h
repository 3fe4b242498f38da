// An option (radio) button. The option buttons directly inside one container
// form a group: selecting one clears the others, silently.
//
// Click is raised when a button becomes selected, whether the program sets
// Value or a person clicks it; selecting the selected one again raises
// nothing, and clearing Value from code raises nothing.
#pragma once

#include <string>

#include "platform/controls/Control.h"

namespace quarvel::platform::controls {

class OptionButton : public Control {
 public:
  explicit OptionButton(std::string name, int index = kNoIndex);

  [[nodiscard]] const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  [[nodiscard]] bool Value() const { return value_; }
  void SetValue(bool value);

  bool UserClick();
  Event OnClick;

 private:
  std::string caption_;
  bool value_ = false;
};

}  // namespace quarvel::platform::controls
