// A list's column header that draws each header item's image (the sort mark)
// beside its caption: to the right of the caption when the item's format
// says so (kHeaderBitmapOnRight), else to its left, the pair aligned as the
// format's alignment says. Qt's own sort indicator is never shown: lists sort
// only as their model says.
//
// The header asks its mark source for each section's mark when it paints.
// Window thread only.
#pragma once

#include <QHeaderView>
#include <QIcon>
#include <functional>

namespace quarvel::platform::controls::qt {

struct HeaderMark {
  QIcon icon;  // null: no mark
  bool onRight = true;
};

// Where a caption and its mark go inside a header section's label area.
struct CaptionLayout {
  QRect caption;
  QRect mark;  // empty without a mark
};

// Lays out a caption `textWidth` pixels wide and a mark of `markSize` (empty
// for none) inside `label`: the caption shrinks (and is elided) before the
// mark does; `alignment`'s horizontal part places the pair; the mark sits
// `gap` pixels from the caption, vertically centred.
[[nodiscard]] CaptionLayout LayOutCaption(const QRect& label, int textWidth, QSize markSize,
                                          Qt::Alignment alignment, bool markOnRight, int gap);

class SortMarkHeader : public QHeaderView {
 public:
  using MarkSource = std::function<HeaderMark(int section)>;

  explicit SortMarkHeader(QWidget* parent = nullptr);
  void SetMarkSource(MarkSource source);

  // The caption's and the mark's places in `section` as painted (for tests).
  [[nodiscard]] CaptionLayout LayoutOf(int section) const;

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  QSize sectionSizeFromContents(int logicalIndex) const override;

 private:
  [[nodiscard]] CaptionLayout LayoutIn(const QRect& rect, int section, QString* text) const;
  [[nodiscard]] int MarkSide() const;

  MarkSource markSource_;
};

}  // namespace quarvel::platform::controls::qt
