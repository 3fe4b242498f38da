#include "platform/controls/TextBox.h"

#include "common/Text.h"

namespace quarvel::platform::controls {

TextBox::TextBox(std::string name, int index)
    : Control(std::move(name), index, ControlKind::kTextBox) {
  SetBackColor(Color::System(SystemColor::kWindowBackground));
}

void TextBox::SetText(std::string text) {
  if (Assign(text_, std::move(text))) RaiseEvent(OnChange);
}

void TextBox::SetPasswordChar(std::string passwordChar) {
  Assign(passwordChar_, std::move(passwordChar));
}
void TextBox::SetMultiLine(bool multiLine) { Assign(multiLine_, multiLine); }
void TextBox::SetLocked(bool locked) { Assign(locked_, locked); }

bool TextBox::UserKeyPress(int keyAscii) {
  if (!AcceptsUserInput()) return false;
  RaiseEvent(OnKeyPress, keyAscii);
  if (keyAscii == 0 || locked_) return true;
  if (keyAscii == kKeyBackspace) {
    std::u32string chars = text::DecodeUtf8(text_);
    if (!chars.empty()) chars.pop_back();
    SetText(text::EncodeUtf8(chars));
  } else if (keyAscii == kKeyReturn) {
    if (multiLine_) SetText(text_ + "\r\n");
  } else if (keyAscii >= 32) {
    SetText(text_ + text::EncodeUtf8(std::u32string(1, static_cast<char32_t>(keyAscii))));
  }
  return true;
}

bool TextBox::UserType(std::string_view text) {
  if (!AcceptsUserInput()) return false;
  for (char32_t c : text::DecodeUtf8(text)) {
    if (c == U'\r') continue;
    UserKeyPress(c == U'\n' ? kKeyReturn : static_cast<int>(c));
  }
  return true;
}

bool TextBox::UserPaste(std::string text) {
  if (!AcceptsUserInput() || locked_) return false;
  SetText(std::move(text));
  return true;
}

int TextBox::UserPreviewKey(int keyAscii) {
  if (!AcceptsUserInput()) return 0;
  RaiseEvent(OnKeyPress, keyAscii);
  return keyAscii;
}

bool TextBox::UserLeave() {
  if (!AcceptsUserInput()) return false;
  RaiseEvent(OnLostFocus);
  return true;
}

}  // namespace quarvel::platform::controls
