#include "platform/controls/Label.h"

namespace quarvel::platform::controls {

Label::Label(std::string name, int index) : Control(std::move(name), index, ControlKind::kLabel) {}

void Label::SetCaption(std::string caption) { Assign(caption_, std::move(caption)); }
void Label::SetAlignment(TextAlignment alignment) { Assign(alignment_, alignment); }
void Label::SetWordWrap(bool wordWrap) { Assign(wordWrap_, wordWrap); }
void Label::SetWebLink(bool webLink) { Assign(webLink_, webLink); }

bool Label::UserClick() {
  if (!AcceptsUserInput()) return false;
  RaiseEvent(OnClick);
  return true;
}

}  // namespace quarvel::platform::controls
