// A text box: single- or multi-line, optionally masked with a password
// character or locked (read-only for a person, not for the program).
//
// Events: Change when the text really changes (from code or a person),
// KeyPress before a typed character takes effect (the handler may replace the
// key or discard it with 0), LostFocus when a person leaves it.
#pragma once

#include <string>
#include <string_view>

#include "platform/controls/Control.h"

namespace quarvel::platform::controls {

inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyReturn = 13;

class TextBox : public Control {
 public:
  explicit TextBox(std::string name, int index = kNoIndex);

  [[nodiscard]] const std::string& Text() const { return text_; }
  // Raises Change only when the text differs.
  void SetText(std::string text);

  // "" for none, else the character shown for every character typed.
  [[nodiscard]] const std::string& PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(std::string passwordChar);
  [[nodiscard]] bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool multiLine);
  [[nodiscard]] bool Locked() const { return locked_; }
  void SetLocked(bool locked);

  // A person presses one key (a character code; kKeyBackspace deletes the
  // last character, kKeyReturn starts a line in a multi-line box). KeyPress
  // runs first; a locked box changes nothing. Returns false when the box
  // could not take input.
  bool UserKeyPress(int keyAscii);
  // A person types `text` (UTF-8), key by key; "\n" is the Return key.
  bool UserType(std::string_view text);
  // A person replaces the whole text at once, as pasting over a full
  // selection or deleting it does: no KeyPress, one Change.
  bool UserPaste(std::string text);
  // A person presses one key in a drawn box that puts keys in at its own
  // caret (the renderer's widget): KeyPress runs, and the key it leaves is
  // returned for the box to apply; 0 means the key is discarded, also when
  // the box could not take input. The text that results then arrives through
  // UserPaste, so Change follows as for any other key.
  [[nodiscard]] int UserPreviewKey(int keyAscii);
  // A person moves the focus elsewhere.
  bool UserLeave();

  Event OnChange;
  KeyPressEvent OnKeyPress;
  Event OnLostFocus;

 private:
  std::string text_;
  std::string passwordChar_;
  bool multiLine_ = false;
  bool locked_ = false;
};

}  // namespace quarvel::platform::controls
