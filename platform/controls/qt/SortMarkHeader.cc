#include "platform/controls/qt/SortMarkHeader.h"

#include <QPainter>
#include <QStyleOptionHeader>
#include <algorithm>
#include <cmath>

namespace quarvel::platform::controls::qt {

CaptionLayout LayOutCaption(const QRect& label, int textWidth, QSize markSize,
                            Qt::Alignment alignment, bool markOnRight, int gap) {
  const bool hasMark = !markSize.isEmpty();
  const int markWidth = hasMark ? std::min(markSize.width(), label.width()) : 0;
  const int markSpace = hasMark ? markWidth + gap : 0;
  const int captionWidth = std::clamp(textWidth, 0, std::max(0, label.width() - markSpace));
  const int pairWidth = captionWidth + markSpace;
  int left = label.left();
  if (alignment & Qt::AlignRight) {
    left = label.right() + 1 - pairWidth;
  } else if (alignment & Qt::AlignHCenter) {
    left = label.left() + (label.width() - pairWidth) / 2;
  }
  CaptionLayout layout;
  const int captionLeft = hasMark && !markOnRight ? left + markSpace : left;
  layout.caption = QRect(captionLeft, label.top(), captionWidth, label.height());
  if (hasMark) {
    const int markLeft = markOnRight ? captionLeft + captionWidth + gap : left;
    const int markHeight = std::min(markSize.height(), label.height());
    layout.mark =
        QRect(markLeft, label.top() + (label.height() - markHeight) / 2, markWidth, markHeight);
  }
  return layout;
}

SortMarkHeader::SortMarkHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setSectionsClickable(true);
  setSectionsMovable(false);
  setSortIndicatorShown(false);
  setHighlightSections(false);
  setStretchLastSection(false);
}

void SortMarkHeader::SetMarkSource(MarkSource source) {
  markSource_ = std::move(source);
  viewport()->update();
}

int SortMarkHeader::MarkSide() const {
  // The mark is drawn as large as a small icon of the list's font.
  return std::max(8, fontMetrics().height() - 2);
}

CaptionLayout SortMarkHeader::LayoutIn(const QRect& rect, int section, QString* text) const {
  QStyleOptionHeader option;
  initStyleOption(&option);
  initStyleOptionForIndex(&option, section);
  option.rect = rect;
  const QRect label = style()->subElementRect(QStyle::SE_HeaderLabel, &option, this);
  const HeaderMark mark = markSource_ ? markSource_(section) : HeaderMark{};
  const QSize markSize = mark.icon.isNull() ? QSize() : QSize(MarkSide(), MarkSide());
  const QFontMetrics metrics = fontMetrics();
  // Whole pixels rounded up: a rounded-down width would elide a caption that fits.
  const int textWidth =
      static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(option.text)));
  CaptionLayout layout = LayOutCaption(label, textWidth, markSize, option.textAlignment,
                                       mark.onRight, metrics.horizontalAdvance(QLatin1Char(' ')));
  if (text != nullptr) {
    *text = metrics.elidedText(option.text, Qt::ElideRight, layout.caption.width());
  }
  return layout;
}

CaptionLayout SortMarkHeader::LayoutOf(int section) const {
  const QRect rect(sectionViewportPosition(section), 0, sectionSize(section), height());
  return LayoutIn(rect, section, nullptr);
}

void SortMarkHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  QStyleOptionHeader option;
  initStyleOption(&option);
  initStyleOptionForIndex(&option, logicalIndex);
  option.rect = rect;
  option.icon = QIcon();
  option.sortIndicator = QStyleOptionHeader::None;
  painter->save();
  style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
  QString text;
  const CaptionLayout layout = LayoutIn(rect, logicalIndex, &text);
  QStyleOptionHeader label = option;
  label.rect = layout.caption;
  label.text = text;
  label.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
  if (!layout.mark.isEmpty()) {
    const HeaderMark mark = markSource_(logicalIndex);
    mark.icon.paint(painter, layout.mark, Qt::AlignCenter,
                    isEnabled() ? QIcon::Normal : QIcon::Disabled);
  }
  painter->restore();
}

QSize SortMarkHeader::sectionSizeFromContents(int logicalIndex) const {
  QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
  size.rwidth() += MarkSide() + fontMetrics().horizontalAdvance(QLatin1Char(' '));
  return size;
}

}  // namespace quarvel::platform::controls::qt
