#include "platform/controls/OptionButton.h"

#include "platform/controls/Container.h"

namespace quarvel::platform::controls {

OptionButton::OptionButton(std::string name, int index)
    : Control(std::move(name), index, ControlKind::kOptionButton) {}

void OptionButton::SetCaption(std::string caption) { Assign(caption_, std::move(caption)); }

void OptionButton::SetValue(bool value) {
  if (value == value_) return;
  if (value && Parent() != nullptr) {
    for (Control* sibling : Parent()->Controls()) {
      if (sibling != this && sibling->Kind() == ControlKind::kOptionButton) {
        static_cast<OptionButton*>(sibling)->Assign(static_cast<OptionButton*>(sibling)->value_,
                                                    false);
      }
    }
  }
  Assign(value_, value);
  if (value) RaiseEvent(OnClick);
}

bool OptionButton::UserClick() {
  if (!AcceptsUserInput()) return false;
  SetValue(true);
  return true;
}

}  // namespace quarvel::platform::controls
