#include "platform/controls/ImageList.h"

#include <algorithm>

#include "platform/controls/ControlErrors.h"

namespace quarvel::platform::controls {

ImageList::ImageList(std::string name, int index)
    : Control(std::move(name), index, ControlKind::kImageList) {
  SetVisible(false);
}

void ImageList::SetImageSize(int width, int height) {
  if (width <= 0 || height <= 0) ThrowControlError(kErrInvalidPropertyValue);
  imageWidth_ = width;
  imageHeight_ = height;
  NotifyChanged();
}

int ImageList::Add(std::string key) {
  if (IndexOf(key) != 0) ThrowControlError(kErrKeyNotUnique);
  keys_.push_back(std::move(key));
  NotifyChanged(ChangeKind::kItemAdded, Count());
  return Count();
}

const std::string& ImageList::Key(int index) const {
  if (index < 1 || index > Count()) ThrowControlError(kErrIndexOutOfBounds);
  return keys_[index - 1];
}

int ImageList::IndexOf(std::string_view key) const {
  auto it = std::find(keys_.begin(), keys_.end(), key);
  return it == keys_.end() ? 0 : static_cast<int>(it - keys_.begin()) + 1;
}

}  // namespace quarvel::platform::controls
