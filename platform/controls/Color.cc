#include "platform/controls/Color.h"

namespace quarvel::platform::controls {

std::string Color::Describe() const {
  if (!system_) {
    return "RGB(" + std::to_string(red_) + ", " + std::to_string(green_) + ", " +
           std::to_string(blue_) + ")";
  }
  switch (systemColor_) {
    case SystemColor::kInfoBackground:
      return "info background";
    case SystemColor::kInactiveBorder:
      return "inactive border";
    case SystemColor::kWindowBackground:
      return "window background";
    case SystemColor::kButtonFace:
      return "button face";
    case SystemColor::kWindowText:
      return "window text";
  }
  return "system colour";
}

}  // namespace quarvel::platform::controls
