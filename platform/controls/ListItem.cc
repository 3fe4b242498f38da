#include "platform/controls/ListItem.h"

#include "platform/controls/ControlErrors.h"
#include "platform/controls/ListView.h"

namespace quarvel::platform::controls {

namespace {

template <class T>
bool Store(T& field, T value) {
  if (field == value) return false;
  field = std::move(value);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// ListSubItem

void ListSubItem::SetText(std::string text) {
  if (Store(text_, std::move(text))) owner_.ColumnTextChanged(index_);
}
void ListSubItem::SetBold(bool bold) {
  if (Store(bold_, bold)) owner_.Changed();
}
void ListSubItem::SetForeColor(Color color) {
  if (Store(foreColor_, color)) owner_.Changed();
}
void ListSubItem::SetToolTipText(std::string text) {
  if (Store(toolTipText_, std::move(text))) owner_.Changed();
}

ListSubItem& ListSubItemCollection::Add(int position, std::string text) {
  if (position == 0) position = Count() + 1;
  if (position < 1 || position > Count() + 1) ThrowControlError(kErrIndexOutOfBounds);
  auto it = subItems_.insert(subItems_.begin() + (position - 1),
                             std::make_unique<ListSubItem>(owner_, std::move(text)));
  Renumber();
  // Every column from `position` on may have a new text.
  for (int column = position; column <= Count(); ++column) owner_.ColumnTextChanged(column);
  return **it;
}

ListSubItem& ListSubItemCollection::operator()(int index) const {
  if (index < 1 || index > Count()) ThrowControlError(kErrIndexOutOfBounds);
  return *subItems_[index - 1];
}

void ListSubItemCollection::Remove(int index) {
  if (index < 1 || index > Count()) ThrowControlError(kErrIndexOutOfBounds);
  subItems_.erase(subItems_.begin() + (index - 1));
  Renumber();
  for (int column = index; column <= Count() + 1; ++column) owner_.ColumnTextChanged(column);
}

void ListSubItemCollection::Clear() {
  const int count = Count();
  subItems_.clear();
  for (int column = 1; column <= count; ++column) owner_.ColumnTextChanged(column);
}

void ListSubItemCollection::Renumber() {
  for (std::size_t i = 0; i < subItems_.size(); ++i) subItems_[i]->index_ = static_cast<int>(i) + 1;
}

// ---------------------------------------------------------------------------
// ListItem

ListItem::ListItem(ListView& owner, std::string key, std::string text, std::string smallIcon)
    : owner_(owner),
      key_(std::move(key)),
      text_(std::move(text)),
      smallIcon_(std::move(smallIcon)) {}

void ListItem::Changed() {
  if (index_ > 0) owner_.Notify(ChangeKind::kItemChanged, index_);
}

void ListItem::ColumnTextChanged(int column) {
  Changed();
  if (index_ > 0 && owner_.Sorted() && owner_.SortKey() == column) owner_.Replace(*this);
}

void ListItem::SetText(std::string text) {
  if (Store(text_, std::move(text))) ColumnTextChanged(0);
}
void ListItem::SetSmallIcon(std::string key) {
  if (Store(smallIcon_, std::move(key))) Changed();
}
void ListItem::SetChecked(bool checked) {
  if (Store(checked_, checked)) Changed();
}
void ListItem::SetBold(bool bold) {
  if (Store(bold_, bold)) Changed();
}
void ListItem::SetForeColor(Color color) {
  if (Store(foreColor_, color)) Changed();
}
void ListItem::SetToolTipText(std::string text) {
  if (Store(toolTipText_, std::move(text))) Changed();
}

void ListItem::SetSelected(bool selected) {
  if (selected) {
    owner_.SelectRow(this);
  } else if (selected_) {
    owner_.SelectRow(nullptr);
  }
}

void ListItem::EnsureVisible() {
  owner_.scrolledTo_ = this;
  owner_.Notify(ChangeKind::kScrolled, index_);
}

std::string ListItem::ColumnText(int column) const {
  if (column == 0) return text_;
  if (column < 0 || column > subItems_.Count()) return {};
  return subItems_(column).Text();
}

void ListItem::SetSubItemText(int column, std::string text) {
  if (column < 1) ThrowControlError(kErrInvalidPropertyValue);
  while (subItems_.Count() < column) subItems_.Add();
  subItems_(column).SetText(std::move(text));
}

}  // namespace quarvel::platform::controls
