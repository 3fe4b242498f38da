// One row of a report list view and its sub-items (the texts of columns 2,
// 3, ...). A row has an optional key (unique in its list, compared exactly),
// its text, a small-icon key into the list's SmallIcons, a check state, bold
// and colour, a tooltip, and whether it is selected.
//
// Setting Checked or Selected from code raises no event; only a person's
// click does (ListView::UserClickItem). Changes are reported to the form's
// observer as kItemChanged for the row. Rows and sub-items are owned by their
// collections; a reference stays valid until the row is removed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/controls/Color.h"
#include "platform/controls/OwnedRange.h"

namespace quarvel::platform::controls {

class ListItem;
class ListView;

class ListSubItem {
 public:
  ListSubItem(ListItem& owner, std::string text) : owner_(owner), text_(std::move(text)) {}

  [[nodiscard]] int Index() const { return index_; }  // from 1: column Index + 1
  [[nodiscard]] const std::string& Text() const { return text_; }
  void SetText(std::string text);
  [[nodiscard]] bool Bold() const { return bold_; }
  void SetBold(bool bold);
  [[nodiscard]] Color ForeColor() const { return foreColor_; }
  void SetForeColor(Color color);
  [[nodiscard]] const std::string& ToolTipText() const { return toolTipText_; }
  void SetToolTipText(std::string text);

 private:
  friend class ListSubItemCollection;
  ListItem& owner_;
  int index_ = 0;
  std::string text_;
  bool bold_ = false;
  Color foreColor_ = Color::System(SystemColor::kWindowText);
  std::string toolTipText_;
};

class ListSubItemCollection {
 public:
  explicit ListSubItemCollection(ListItem& owner) : owner_(owner) {}

  // Inserts at `position` from 1 (0 appends); past Count() + 1 is kErrIndexOutOfBounds.
  ListSubItem& Add(int position = 0, std::string text = "");
  [[nodiscard]] int Count() const { return static_cast<int>(subItems_.size()); }
  // From 1; kErrIndexOutOfBounds outside.
  [[nodiscard]] ListSubItem& operator()(int index) const;
  void Remove(int index);
  void Clear();

  [[nodiscard]] OwnedIterator<ListSubItem> begin() const {
    return OwnedIterator<ListSubItem>(subItems_.begin());
  }
  [[nodiscard]] OwnedIterator<ListSubItem> end() const {
    return OwnedIterator<ListSubItem>(subItems_.end());
  }

 private:
  void Renumber();
  ListItem& owner_;
  std::vector<std::unique_ptr<ListSubItem>> subItems_;
};

class ListItem {
 public:
  ListItem(ListView& owner, std::string key, std::string text, std::string smallIcon);

  [[nodiscard]] ListView& Owner() const { return owner_; }
  [[nodiscard]] int Index() const { return index_; }  // from 1, in display order
  [[nodiscard]] const std::string& Key() const { return key_; }

  [[nodiscard]] const std::string& Text() const { return text_; }
  void SetText(std::string text);
  [[nodiscard]] const std::string& SmallIcon() const { return smallIcon_; }
  void SetSmallIcon(std::string key);
  [[nodiscard]] bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  [[nodiscard]] bool Bold() const { return bold_; }
  void SetBold(bool bold);
  [[nodiscard]] Color ForeColor() const { return foreColor_; }
  void SetForeColor(Color color);
  [[nodiscard]] const std::string& ToolTipText() const { return toolTipText_; }
  void SetToolTipText(std::string text);
  [[nodiscard]] bool Selected() const { return selected_; }
  // Selecting a row deselects the list's other row; no event either way.
  void SetSelected(bool selected);
  // Scrolls the list so the row is shown (ListView::ScrolledTo records it).
  void EnsureVisible();

  [[nodiscard]] ListSubItemCollection& ListSubItems() { return subItems_; }
  [[nodiscard]] const ListSubItemCollection& ListSubItems() const { return subItems_; }
  // The text of column `column` from 0 (0 is the row's text); "" for a column
  // without a sub-item.
  [[nodiscard]] std::string ColumnText(int column) const;
  // Sets the sub-item of column `column` (1 or more), adding empty sub-items
  // before it as needed.
  void SetSubItemText(int column, std::string text);

 private:
  friend class ListItemCollection;
  friend class ListSubItem;
  friend class ListSubItemCollection;
  friend class ListView;
  void Changed();
  void ColumnTextChanged(int column);

  ListView& owner_;
  int index_ = 0;
  std::string key_;
  std::string text_;
  std::string smallIcon_;
  bool checked_ = false;
  bool bold_ = false;
  Color foreColor_ = Color::System(SystemColor::kWindowText);
  std::string toolTipText_;
  bool selected_ = false;
  ListSubItemCollection subItems_{*this};
};

}  // namespace quarvel::platform::controls
