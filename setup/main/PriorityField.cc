#include "setup/main/PriorityField.h"

#include "platform/controls/TextBox.h"
#include "setup/main/EventPriority.h"

namespace quarvel::setup {

PriorityField::PriorityField(platform::controls::TextBox& txtPriority, ProgramState& state)
    : txtPriority_(txtPriority), state_(state) {}

void PriorityField::KeyPress(int& keyAscii) {
  const bool digit = keyAscii >= '0' && keyAscii <= '9';
  if (!digit && keyAscii != platform::controls::kKeyBackspace && keyAscii != ' ') keyAscii = 0;
}

void PriorityField::Change() {
  if (state_.priorityGuard) return;
  state_.priorityGuard = true;
  if (ParseEventPriority(txtPriority_.Text())) {
    state_.lastValidPriority = txtPriority_.Text();
  } else {
    txtPriority_.SetText(state_.lastValidPriority);
  }
  state_.priorityGuard = false;
}

void PriorityField::SetByProgram(const std::string& text) {
  state_.priorityGuard = true;
  txtPriority_.SetText(text);
  state_.lastValidPriority = text;
  state_.priorityGuard = false;
}

}  // namespace quarvel::setup
