#include "platform/controls/ColumnHeader.h"

#include "platform/controls/ControlErrors.h"
#include "platform/controls/ListView.h"

namespace quarvel::platform::controls {

ColumnHeader::ColumnHeader(ListView& owner, int index, std::string text, int width,
                           TextAlignment alignment)
    : owner_(owner),
      index_(index),
      text_(std::move(text)),
      width_(width),
      alignment_(alignment),
      headerFormat_(kHeaderString | static_cast<int>(alignment)) {}

void ColumnHeader::Changed() { owner_.Notify(ChangeKind::kColumnChanged, index_); }

void ColumnHeader::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  Changed();
}

void ColumnHeader::SetWidth(int width) {
  if (width < 0) ThrowControlError(kErrInvalidPropertyValue);
  if (width == width_) return;
  width_ = width;
  Changed();
}

void ColumnHeader::SetAlignment(TextAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  headerFormat_ = (headerFormat_ & ~kHeaderAlignmentMask) | static_cast<int>(alignment);
  Changed();
}

void ColumnHeader::SetHeaderItem(int format, int image) {
  if (format == headerFormat_ && image == headerImage_) return;
  headerFormat_ = format;
  headerImage_ = image;
  Changed();
}

ColumnHeader& ColumnHeaderCollection::Add(std::string text, int width, TextAlignment alignment) {
  if (width < 0) ThrowControlError(kErrInvalidPropertyValue);
  columns_.push_back(
      std::make_unique<ColumnHeader>(owner_, Count() + 1, std::move(text), width, alignment));
  owner_.Notify(ChangeKind::kColumnChanged, Count());
  return *columns_.back();
}

ColumnHeader& ColumnHeaderCollection::operator()(int index) const {
  if (index < 1 || index > Count()) ThrowControlError(kErrIndexOutOfBounds);
  return *columns_[index - 1];
}

void ColumnHeaderCollection::Clear() {
  columns_.clear();
  owner_.Notify(ChangeKind::kColumnChanged, 0);
}

}  // namespace quarvel::platform::controls
