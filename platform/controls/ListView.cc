#include "platform/controls/ListView.h"

#include <algorithm>

#include "common/Text.h"
#include "platform/controls/ControlErrors.h"

namespace quarvel::platform::controls {

// ---------------------------------------------------------------------------
// ListItemCollection

ListItem& ListItemCollection::Add(int position, std::string key, std::string text,
                                  std::string smallIcon) {
  if (position == 0) position = Count() + 1;
  if (position < 1 || position > Count() + 1) ThrowControlError(kErrIndexOutOfBounds);
  if (!key.empty() && keys_.contains(key)) ThrowControlError(kErrKeyNotUnique);
  auto item = std::make_unique<ListItem>(owner_, key, std::move(text), std::move(smallIcon));
  std::size_t at = static_cast<std::size_t>(position - 1);
  if (owner_.Sorted()) at = owner_.SortedPosition(owner_.SortText(*item));
  ListItem& added =
      **items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
  if (!key.empty()) keys_.emplace(std::move(key), &added);
  Renumber(at);
  owner_.Notify(ChangeKind::kItemAdded, added.Index());
  return added;
}

ListItem& ListItemCollection::operator()(int index) const {
  if (index < 1 || index > Count()) ThrowControlError(kErrIndexOutOfBounds);
  return *items_[index - 1];
}

ListItem& ListItemCollection::operator()(std::string_view key) const {
  ListItem* item = Find(key);
  if (item == nullptr) ThrowControlError(kErrElementNotFound);
  return *item;
}

ListItem* ListItemCollection::Find(std::string_view key) const {
  auto it = keys_.find(key);
  return it == keys_.end() ? nullptr : it->second;
}

void ListItemCollection::Remove(int index) {
  ListItem& item = (*this)(index);
  owner_.Forget(item);
  if (!item.Key().empty()) keys_.erase(item.Key());
  items_.erase(items_.begin() + (index - 1));
  Renumber(static_cast<std::size_t>(index - 1));
  owner_.Notify(ChangeKind::kItemRemoved, index);
}

void ListItemCollection::Remove(std::string_view key) { Remove((*this)(key).Index()); }

void ListItemCollection::Clear() {
  for (auto& item : items_) owner_.Forget(*item);
  items_.clear();
  keys_.clear();
  owner_.Notify(ChangeKind::kItemsCleared);
}

void ListItemCollection::Renumber(std::size_t from) {
  for (std::size_t i = from; i < items_.size(); ++i) items_[i]->index_ = static_cast<int>(i) + 1;
}

// ---------------------------------------------------------------------------
// ListView

ListView::ListView(std::string name, int index)
    : Control(std::move(name), index, ControlKind::kListView) {
  SetBackColor(Color::System(SystemColor::kWindowBackground));
}

void ListView::SetCheckboxes(bool checkboxes) { Assign(checkboxes_, checkboxes); }
void ListView::SetFullRowSelect(bool fullRowSelect) { Assign(fullRowSelect_, fullRowSelect); }
void ListView::SetHideSelection(bool hideSelection) { Assign(hideSelection_, hideSelection); }
void ListView::SetLabelEdit(bool labelEdit) { Assign(labelEdit_, labelEdit); }
void ListView::SetBorderStyle(ListBorderStyle style) { Assign(borderStyle_, style); }
void ListView::SetSmallIcons(ImageList* images) { Assign(smallIcons_, images); }
void ListView::SetColumnHeaderIcons(ImageList* images) { Assign(columnHeaderIcons_, images); }

void ListView::SetSorted(bool sorted) {
  if (Assign(sorted_, sorted) && sorted_) Sort();
}

void ListView::SetSortKey(int column) {
  if (column < 0) ThrowControlError(kErrInvalidPropertyValue);
  if (Assign(sortKey_, column) && sorted_) Sort();
}

void ListView::SetSortOrder(ListSortOrder order) {
  if (Assign(sortOrder_, order) && sorted_) Sort();
}

std::string ListView::SortText(const ListItem& item) const {
  return text::UpperCase(item.ColumnText(sortKey_));
}

std::size_t ListView::SortedPosition(const std::string& sortText) const {
  // The rows are in order while sorting is on. The new one goes after every
  // row that sorts before or equal to it, so equal rows keep their arrival order.
  const auto& rows = items_.items_;
  const bool ascending = sortOrder_ == ListSortOrder::kAscending;
  auto after = std::upper_bound(rows.begin(), rows.end(), sortText,
                                [&](const std::string& text, const std::unique_ptr<ListItem>& row) {
                                  const std::string rowText = SortText(*row);
                                  return ascending ? text < rowText : rowText < text;
                                });
  return static_cast<std::size_t>(after - rows.begin());
}

void ListView::Sort() {
  auto& rows = items_.items_;
  std::vector<std::pair<std::string, std::unique_ptr<ListItem>>> keyed;
  keyed.reserve(rows.size());
  for (auto& row : rows) {
    std::string sortText = SortText(*row);
    keyed.emplace_back(std::move(sortText), std::move(row));
  }
  const bool ascending = sortOrder_ == ListSortOrder::kAscending;
  std::stable_sort(keyed.begin(), keyed.end(), [ascending](const auto& a, const auto& b) {
    return ascending ? a.first < b.first : b.first < a.first;
  });
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = std::move(keyed[i].second);
  items_.Renumber(0);
  NotifyChanged(ChangeKind::kItemsReordered);
}

void ListView::Replace(ListItem& item) {
  auto& rows = items_.items_;
  const std::size_t from = static_cast<std::size_t>(item.index_ - 1);
  std::unique_ptr<ListItem> moving = std::move(rows[from]);
  rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(from));
  const std::size_t to = SortedPosition(SortText(item));
  rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(to), std::move(moving));
  if (to == from) return;
  items_.Renumber(std::min(from, to));
  NotifyChanged(ChangeKind::kItemsReordered);
}

void ListView::SetSelectedItem(ListItem* item) {
  if (item != nullptr && &item->owner_ != this) ThrowControlError(kErrInvalidCall);
  SelectRow(item);
}

void ListView::SelectRow(ListItem* item) {
  if (item == selected_) return;
  if (selected_ != nullptr) {
    selected_->selected_ = false;
    selected_->Changed();
  }
  selected_ = item;
  if (item != nullptr) {
    item->selected_ = true;
    item->Changed();
  }
  NotifyChanged(ChangeKind::kSelection, item == nullptr ? 0 : item->Index());
}

void ListView::Forget(ListItem& item) {
  if (selected_ == &item) {
    selected_ = nullptr;
    NotifyChanged(ChangeKind::kSelection, 0);
  }
  if (scrolledTo_ == &item) scrolledTo_ = nullptr;
}

bool ListView::UserClickItem(ListItem& item, bool onCheckBox) {
  if (!AcceptsUserInput() || &item.owner_ != this) return false;
  SelectRow(&item);
  if (onCheckBox && checkboxes_) {
    RaiseEvent(OnItemCheck, item);
  } else {
    RaiseEvent(OnItemClick, item);
  }
  // The handler may have removed the row: only the list is used from here on.
  RaiseEvent(OnClick);
  return true;
}

bool ListView::UserClickColumn(ColumnHeader& column) {
  if (!AcceptsUserInput()) return false;
  RaiseEvent(OnColumnClick, column);
  return true;
}

bool ListView::UserMouseUp() {
  if (!AcceptsUserInput()) return false;
  RaiseEvent(OnMouseUp);
  return true;
}

bool ListView::UserEditLabel(ListItem& item, std::string text) {
  if (!AcceptsUserInput() || !labelEdit_ || &item.owner_ != this) return false;
  bool cancel = false;
  RaiseEvent(OnBeforeLabelEdit, cancel);
  if (cancel) return false;
  item.SetText(std::move(text));
  return true;
}

}  // namespace quarvel::platform::controls
