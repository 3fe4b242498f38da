// The event sink priority field (txtPriority): only digits, backspace and the
// blank can be typed, and whatever the text becomes (typed, pasted, cleared)
// it is either a priority (EventPriority.h), which is kept as the last valid
// one, or the last valid priority comes back. So the field is never empty
// and never holds anything but a priority.
//
// Works on the program's state (the last valid text and the guard that keeps
// the change handling out of the program's own writes). Window thread only.
#pragma once

#include <string>

#include "setup/main/ProgramState.h"

namespace quarvel::platform::controls {
class TextBox;
}

namespace quarvel::setup {

class PriorityField {
 public:
  PriorityField(platform::controls::TextBox& txtPriority, ProgramState& state);

  // KeyPress: discards every key but "0" to "9", backspace and the blank.
  void KeyPress(int& keyAscii);
  // Change: accepts the text or puts the last valid priority back.
  void Change();
  // The program writes `text` into the field and makes it the last valid
  // priority, without the change handling.
  void SetByProgram(const std::string& text);

 private:
  platform::controls::TextBox& txtPriority_;
  ProgramState& state_;
};

}  // namespace quarvel::setup
