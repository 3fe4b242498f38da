#include "platform/controls/ComboBox.h"

#include "common/Text.h"
#include "platform/controls/ControlErrors.h"
#include "platform/controls/TextBox.h"

namespace quarvel::platform::controls {

ComboBox::ComboBox(std::string name, ComboStyle style, int index)
    : Control(std::move(name), index, ControlKind::kComboBox), style_(style) {
  SetBackColor(Color::System(SystemColor::kWindowBackground));
}

void ComboBox::AddItem(std::string text, int position) {
  if (position == -1) position = ListCount();
  if (position < 0 || position > ListCount()) ThrowControlError(kErrInvalidCall);
  list_.insert(list_.begin() + position, std::move(text));
  if (listIndex_ >= position) ++listIndex_;
  NotifyChanged(ChangeKind::kItemAdded, position);
}

void ComboBox::RemoveItem(int position) {
  if (position < 0 || position >= ListCount()) ThrowControlError(kErrInvalidCall);
  list_.erase(list_.begin() + position);
  NotifyChanged(ChangeKind::kItemRemoved, position);
  if (listIndex_ > position) {
    --listIndex_;
  } else if (listIndex_ == position) {
    // The selection went with the entry; a drop-down list shows nothing then.
    listIndex_ = -1;
    if (style_ == ComboStyle::kDropDownList) Assign(text_, std::string());
    NotifyChanged(ChangeKind::kSelection, -1);
  }
}

void ComboBox::Clear() {
  list_.clear();
  listIndex_ = -1;
  text_.clear();
  NotifyChanged(ChangeKind::kItemsCleared);
}

const std::string& ComboBox::List(int position) const {
  if (position < 0 || position >= ListCount()) ThrowControlError(kErrInvalidCall);
  return list_[position];
}

void ComboBox::SelectEntry(int position) {
  if (position < -1 || position >= ListCount()) ThrowControlError(kErrInvalidPropertyValue);
  if (listIndex_ != position) {
    listIndex_ = position;
    NotifyChanged(ChangeKind::kSelection, position);
  }
  Assign(text_, position == -1 ? std::string() : list_[position]);
  RaiseEvent(OnClick);
}

void ComboBox::SetListIndex(int position) { SelectEntry(position); }

void ComboBox::SetText(std::string text) {
  if (style_ == ComboStyle::kDropDownList) {
    for (int i = 0; i < ListCount(); ++i) {
      if (text::EqualsIgnoreCase(list_[i], text)) return SelectEntry(i);
    }
    ThrowControlError(kErrTextReadOnly);
  }
  if (listIndex_ != -1) {
    listIndex_ = -1;
    NotifyChanged(ChangeKind::kSelection, -1);
  }
  if (Assign(text_, std::move(text))) RaiseEvent(OnChange);
}

bool ComboBox::UserSelect(int position) {
  if (!AcceptsUserInput() || position < 0 || position >= ListCount()) return false;
  SelectEntry(position);
  return true;
}

void ComboBox::TypeIntoText(int keyAscii) {
  if (keyAscii == kKeyBackspace) {
    std::u32string chars = text::DecodeUtf8(text_);
    if (!chars.empty()) chars.pop_back();
    SetText(text::EncodeUtf8(chars));
  } else if (keyAscii >= 32) {
    SetText(text_ + text::EncodeUtf8(std::u32string(1, static_cast<char32_t>(keyAscii))));
  }
}

void ComboBox::SelectByFirstLetter(int keyAscii) {
  if (keyAscii < 32 || list_.empty()) return;
  const std::string letter = text::EncodeUtf8(std::u32string(1, static_cast<char32_t>(keyAscii)));
  const int count = ListCount();
  for (int step = 1; step <= count; ++step) {
    const int candidate = (listIndex_ + step + count) % count;
    if (text::StartsWithIgnoreCase(list_[candidate], letter)) return SelectEntry(candidate);
  }
}

bool ComboBox::UserType(std::string_view typed) {
  if (!AcceptsUserInput()) return false;
  for (char32_t c : text::DecodeUtf8(typed)) {
    int keyAscii = static_cast<int>(c);
    RaiseEvent(OnKeyPress, keyAscii);
    if (keyAscii == 0) continue;
    if (style_ == ComboStyle::kDropDownList) {
      SelectByFirstLetter(keyAscii);
    } else {
      TypeIntoText(keyAscii);
    }
  }
  return true;
}

bool ComboBox::UserPaste(std::string text) {
  if (!AcceptsUserInput() || style_ == ComboStyle::kDropDownList) return false;
  SetText(std::move(text));
  return true;
}

int ComboBox::UserPreviewKey(int keyAscii) {
  if (!AcceptsUserInput() || style_ == ComboStyle::kDropDownList) return 0;
  RaiseEvent(OnKeyPress, keyAscii);
  return keyAscii;
}

bool ComboBox::UserOpenDropDown() {
  if (!AcceptsUserInput()) return false;
  RaiseEvent(OnDropDown);
  return true;
}

bool ComboBox::UserLeave() {
  if (!AcceptsUserInput()) return false;
  RaiseEvent(OnLostFocus);
  return true;
}

}  // namespace quarvel::platform::controls
