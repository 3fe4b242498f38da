// A captioned frame that groups controls. Disabling or hiding it disables or
// hides everything inside for a person, while their own Enabled and Visible
// stay as they were (see Control::IsEffectivelyEnabled). Option buttons in one
// frame form one group.
#pragma once

#include <string>

#include "platform/controls/Container.h"

namespace quarvel::platform::controls {

class Frame : public Container {
 public:
  explicit Frame(std::string name, int index = kNoIndex);

  [[nodiscard]] const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);

 private:
  std::string caption_;
};

}  // namespace quarvel::platform::controls
