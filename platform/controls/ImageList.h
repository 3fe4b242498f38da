// An image list: keyed images at indexes from 1 (the header's sort mark uses
// 0-based picture numbers: picture 0 is image 1). It holds only the keys; the
// renderer draws or loads an icon for each key. Invisible on the form. A key
// already there is kErrKeyNotUnique; an index outside kErrIndexOutOfBounds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/Control.h"

namespace quarvel::platform::controls {

class ImageList : public Control {
 public:
  explicit ImageList(std::string name, int index = kNoIndex);

  // Pixels, as designed (16 x 16 by default).
  [[nodiscard]] int ImageWidth() const { return imageWidth_; }
  [[nodiscard]] int ImageHeight() const { return imageHeight_; }
  void SetImageSize(int width, int height);

  // Returns the new image's index.
  int Add(std::string key);
  [[nodiscard]] int Count() const { return static_cast<int>(keys_.size()); }
  [[nodiscard]] const std::string& Key(int index) const;
  // The index of `key`, or 0 when it is not there.
  [[nodiscard]] int IndexOf(std::string_view key) const;
  [[nodiscard]] const std::vector<std::string>& Keys() const { return keys_; }

 private:
  int imageWidth_ = 16;
  int imageHeight_ = 16;
  std::vector<std::string> keys_;
};

}  // namespace quarvel::platform::controls
