// A combo box: an editable drop-down combo (free text plus a list) or a
// drop-down list (one of its entries or nothing).
//
// Entries count from 0; ListIndex -1 means no entry is selected.
// - Setting ListIndex (or a person choosing an entry) selects it, takes its
//   text (or "" for -1) and raises Click; Change is not raised.
// - Setting Text of an editable combo selects no entry and raises Change only
//   when the text differs.
// - Setting Text of a drop-down list selects the first entry equal to it
//   ignoring case (its own spelling becomes the text) and raises Click; a
//   text it does not hold is kErrTextReadOnly and changes nothing.
// - Clearing the list empties the text and selects nothing, raising nothing.
// Other failures: an entry index out of range is kErrInvalidCall (AddItem,
// RemoveItem, List) or kErrInvalidPropertyValue (ListIndex).
//
// Events: Click, Change, LostFocus, DropDown (a person opens the list) and
// KeyPress (before a typed key takes effect; 0 discards it).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/Control.h"

namespace quarvel::platform::controls {

enum class ComboStyle { kDropDownCombo = 0, kDropDownList = 2 };

class ComboBox : public Control {
 public:
  ComboBox(std::string name, ComboStyle style, int index = kNoIndex);

  [[nodiscard]] ComboStyle Style() const { return style_; }

  // Inserts at `position` (-1 appends); the selected entry stays selected.
  void AddItem(std::string text, int position = -1);
  void RemoveItem(int position);
  void Clear();
  [[nodiscard]] int ListCount() const { return static_cast<int>(list_.size()); }
  [[nodiscard]] const std::string& List(int position) const;

  [[nodiscard]] int ListIndex() const { return listIndex_; }
  void SetListIndex(int position);

  [[nodiscard]] const std::string& Text() const { return text_; }
  void SetText(std::string text);

  // A person picks entry `position` from the list.
  bool UserSelect(int position);
  // A person types `text` key by key: into an editable combo's text (each
  // key after KeyPress; backspace deletes); in a drop-down list each key
  // selects the next entry that begins with it.
  bool UserType(std::string_view text);
  // A person replaces an editable combo's whole text at once (no KeyPress).
  bool UserPaste(std::string text);
  // A person presses one key in a drawn editable combo that puts keys in at
  // its own caret: KeyPress runs and the key it leaves is returned for the
  // box to apply (0: discarded, also when the combo could not take input or
  // is a drop-down list). The resulting text arrives through UserPaste.
  [[nodiscard]] int UserPreviewKey(int keyAscii);
  bool UserOpenDropDown();
  bool UserLeave();

  Event OnClick;
  Event OnChange;
  Event OnLostFocus;
  Event OnDropDown;
  KeyPressEvent OnKeyPress;

 private:
  void SelectEntry(int position);
  void TypeIntoText(int keyAscii);
  void SelectByFirstLetter(int keyAscii);

  ComboStyle style_;
  std::vector<std::string> list_;
  int listIndex_ = -1;
  std::string text_;
};

}  // namespace quarvel::platform::controls
