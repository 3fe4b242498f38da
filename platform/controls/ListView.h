// A list view in report view: column headers, rows (ListItem) with sub-items,
// optional check boxes, single selection and sorting by a column's text.
//
// - Rows are numbered from 1 in display order. Keys, when given, are unique
//   and compare exactly: a key already there is kErrKeyNotUnique, a missing
//   one kErrElementNotFound, a position outside the list kErrIndexOutOfBounds.
// - With Sorted on, the rows are ordered by the text of column SortKey (0 is
//   the row text), ignoring case, ascending or descending; rows with equal
//   texts keep their order. Turning sorting on, or changing the key or order
//   while it is on, sorts at once; rows added later, and rows whose sort text
//   changes, take their sorted place.
// - Setting a row's Checked or Selected from code raises nothing. A person's
//   click on a row (UserClickItem) selects it and raises exactly one of
//   ItemCheck (on the check box) or ItemClick, then Click. The list never
//   toggles a check state by itself: the handler decides.
// - BorderStyle and BackColor are plain state (the program keeps its folder
//   list mode in them).
//
// Events: ItemClick, ItemCheck, Click, ColumnClick (no sorting by itself),
// MouseUp, BeforeLabelEdit (may cancel).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/ColumnHeader.h"
#include "platform/controls/Control.h"
#include "platform/controls/ListItem.h"

namespace quarvel::platform::controls {

class ImageList;

enum class ListSortOrder { kAscending = 0, kDescending = 1 };
enum class ListBorderStyle { kFlat, kSunken3D };

class ListItemCollection {
 public:
  explicit ListItemCollection(ListView& owner) : owner_(owner) {}

  // Adds a row at `position` from 1 (0 appends); with sorting on it takes its
  // sorted place instead.
  ListItem& Add(int position = 0, std::string key = "", std::string text = "",
                std::string smallIcon = "");
  [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }
  [[nodiscard]] ListItem& operator()(int index) const;
  [[nodiscard]] ListItem& operator()(std::string_view key) const;
  // The row with this key, or null.
  [[nodiscard]] ListItem* Find(std::string_view key) const;
  void Remove(int index);
  void Remove(std::string_view key);
  void Clear();

  [[nodiscard]] OwnedIterator<ListItem> begin() const {
    return OwnedIterator<ListItem>(items_.begin());
  }
  [[nodiscard]] OwnedIterator<ListItem> end() const {
    return OwnedIterator<ListItem>(items_.end());
  }

 private:
  friend class ListView;
  void Renumber(std::size_t from);

  ListView& owner_;
  std::vector<std::unique_ptr<ListItem>> items_;
  std::map<std::string, ListItem*, std::less<>> keys_;
};

class ListView : public Control {
 public:
  explicit ListView(std::string name, int index = kNoIndex);

  [[nodiscard]] ColumnHeaderCollection& ColumnHeaders() { return columns_; }
  [[nodiscard]] const ColumnHeaderCollection& ColumnHeaders() const { return columns_; }
  [[nodiscard]] ListItemCollection& ListItems() { return items_; }
  [[nodiscard]] const ListItemCollection& ListItems() const { return items_; }

  [[nodiscard]] bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool checkboxes);
  [[nodiscard]] bool FullRowSelect() const { return fullRowSelect_; }
  void SetFullRowSelect(bool fullRowSelect);
  [[nodiscard]] bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool hideSelection);
  // Whether a person may edit a row's text in place (BeforeLabelEdit may still refuse).
  [[nodiscard]] bool LabelEdit() const { return labelEdit_; }
  void SetLabelEdit(bool labelEdit);
  [[nodiscard]] ListBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(ListBorderStyle style);
  // Image lists for the rows' small icons and the headers' images (not owned).
  [[nodiscard]] ImageList* SmallIcons() const { return smallIcons_; }
  void SetSmallIcons(ImageList* images);
  [[nodiscard]] ImageList* ColumnHeaderIcons() const { return columnHeaderIcons_; }
  void SetColumnHeaderIcons(ImageList* images);

  [[nodiscard]] bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  // The sorted column from 0; negative is kErrInvalidPropertyValue.
  [[nodiscard]] int SortKey() const { return sortKey_; }
  void SetSortKey(int column);
  [[nodiscard]] ListSortOrder SortOrder() const { return sortOrder_; }
  void SetSortOrder(ListSortOrder order);

  // The selected row, or null; setting null deselects.
  [[nodiscard]] ListItem* SelectedItem() const { return selected_; }
  void SetSelectedItem(ListItem* item);
  // The row last scrolled into view by EnsureVisible, or null.
  [[nodiscard]] ListItem* ScrolledTo() const { return scrolledTo_; }

  // A person clicks `item` (on its check box when `onCheckBox` and the list
  // has check boxes).
  bool UserClickItem(ListItem& item, bool onCheckBox = false);
  bool UserClickColumn(ColumnHeader& column);
  // A person releases a mouse button over the list.
  bool UserMouseUp();
  // A person edits a row's text in place: BeforeLabelEdit may cancel.
  // Returns whether the text was taken.
  bool UserEditLabel(ListItem& item, std::string text);

  std::function<void(ListItem&)> OnItemClick;
  std::function<void(ListItem&)> OnItemCheck;
  Event OnClick;
  std::function<void(ColumnHeader&)> OnColumnClick;
  Event OnMouseUp;
  CancelEvent OnBeforeLabelEdit;

 private:
  friend class ColumnHeader;
  friend class ColumnHeaderCollection;
  friend class ListItem;
  friend class ListItemCollection;
  friend class ListSubItemCollection;

  void Notify(ChangeKind kind, int index = 0) { NotifyChanged(kind, index); }
  // Where a row with this sort text goes among the (sorted) rows.
  std::size_t SortedPosition(const std::string& sortText) const;
  [[nodiscard]] std::string SortText(const ListItem& item) const;
  void Sort();
  void Replace(ListItem& item);
  void SelectRow(ListItem* item);
  void Forget(ListItem& item);

  ColumnHeaderCollection columns_{*this};
  ListItemCollection items_{*this};
  bool checkboxes_ = false;
  bool fullRowSelect_ = false;
  bool hideSelection_ = true;
  bool labelEdit_ = true;
  ListBorderStyle borderStyle_ = ListBorderStyle::kSunken3D;
  ImageList* smallIcons_ = nullptr;
  ImageList* columnHeaderIcons_ = nullptr;
  bool sorted_ = false;
  int sortKey_ = 0;
  ListSortOrder sortOrder_ = ListSortOrder::kAscending;
  ListItem* selected_ = nullptr;
  ListItem* scrolledTo_ = nullptr;
};

}  // namespace quarvel::platform::controls
