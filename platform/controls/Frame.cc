#include "platform/controls/Frame.h"

namespace quarvel::platform::controls {

Frame::Frame(std::string name, int index)
    : Container(std::move(name), index, ControlKind::kFrame) {}

void Frame::SetCaption(std::string caption) { Assign(caption_, std::move(caption)); }

}  // namespace quarvel::platform::controls
