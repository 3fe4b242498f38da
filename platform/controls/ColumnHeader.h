// The column headers of a report list view. Each carries its text, width in
// twips and alignment, and the header item as the header control holds it:
// a format (kHeaderString plus the alignment code, plus kHeaderImage and
// kHeaderBitmapOnRight for the sort mark) and an image index into the list's
// ColumnHeaderIcons (-1 none). The renderer draws the image to the right of
// the caption when the format asks for it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/controls/Control.h"
#include "platform/controls/OwnedRange.h"

namespace quarvel::platform::controls {

class ListView;

inline constexpr int kHeaderString = 0x4000;
inline constexpr int kHeaderImage = 0x0800;
inline constexpr int kHeaderBitmapOnRight = 0x1000;
inline constexpr int kHeaderAlignmentMask = 0x0003;

class ColumnHeader {
 public:
  ColumnHeader(ListView& owner, int index, std::string text, int width, TextAlignment alignment);

  [[nodiscard]] int Index() const { return index_; }  // from 1
  [[nodiscard]] const std::string& Text() const { return text_; }
  void SetText(std::string text);
  [[nodiscard]] int Width() const { return width_; }
  void SetWidth(int width);  // negative: kErrInvalidPropertyValue
  // Changing the alignment keeps the header format's alignment bits in step.
  [[nodiscard]] TextAlignment Alignment() const { return alignment_; }
  void SetAlignment(TextAlignment alignment);

  [[nodiscard]] int HeaderFormat() const { return headerFormat_; }
  [[nodiscard]] int HeaderImage() const { return headerImage_; }
  void SetHeaderItem(int format, int image);
  // Whether the header shows its image (the sort mark).
  [[nodiscard]] bool ShowsHeaderImage() const { return (headerFormat_ & kHeaderImage) != 0; }

 private:
  friend class ColumnHeaderCollection;
  void Changed();

  ListView& owner_;
  int index_;
  std::string text_;
  int width_;
  TextAlignment alignment_;
  int headerFormat_;
  int headerImage_ = -1;
};

class ColumnHeaderCollection {
 public:
  explicit ColumnHeaderCollection(ListView& owner) : owner_(owner) {}

  ColumnHeader& Add(std::string text, int width = 1440,
                    TextAlignment alignment = TextAlignment::kLeft);
  [[nodiscard]] int Count() const { return static_cast<int>(columns_.size()); }
  // From 1; kErrIndexOutOfBounds outside.
  [[nodiscard]] ColumnHeader& operator()(int index) const;
  void Clear();

  [[nodiscard]] OwnedIterator<ColumnHeader> begin() const {
    return OwnedIterator<ColumnHeader>(columns_.begin());
  }
  [[nodiscard]] OwnedIterator<ColumnHeader> end() const {
    return OwnedIterator<ColumnHeader>(columns_.end());
  }

 private:
  ListView& owner_;
  std::vector<std::unique_ptr<ColumnHeader>> columns_;
};

}  // namespace quarvel::platform::controls
