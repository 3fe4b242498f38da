#include "platform/controls/CommandButton.h"

namespace quarvel::platform::controls {

CommandButton::CommandButton(std::string name, int index)
    : Control(std::move(name), index, ControlKind::kCommandButton) {}

void CommandButton::SetCaption(std::string caption) { Assign(caption_, std::move(caption)); }
void CommandButton::SetDefault(bool isDefault) { Assign(default_, isDefault); }
void CommandButton::SetCancel(bool isCancel) { Assign(cancel_, isCancel); }

bool CommandButton::UserClick() {
  if (!AcceptsUserInput()) return false;
  RaiseEvent(OnClick);
  return true;
}

}  // namespace quarvel::platform::controls
