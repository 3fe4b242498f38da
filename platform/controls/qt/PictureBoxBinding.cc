#include "platform/controls/qt/PictureBoxBinding.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "platform/controls/PictureBox.h"
#include "platform/controls/qt/ColorMapping.h"
#include "platform/controls/qt/RenderContext.h"

namespace quarvel::platform::controls::qt {

QImage RenderPicture(const PictureBox& picture, QSize size, qreal pixelRatio, const QFont& font) {
  const QSize pixels(static_cast<int>(std::ceil(size.width() * pixelRatio)),
                     static_cast<int>(std::ceil(size.height() * pixelRatio)));
  QImage image(pixels.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.setDevicePixelRatio(pixelRatio);
  const QPalette palette = QApplication::palette();
  const QColor fore = ToQColor(picture.ForeColor(), palette);
  image.fill(ToQColor(picture.BackColor(), palette));
  QPainter painter(&image);
  const QRectF area(QPointF(0, 0), QSizeF(size));
  if (!picture.PrintedText().empty()) {
    QFont textFont = font;
    textFont.setBold(picture.FontBold());
    painter.setFont(textFont);
    painter.setPen(fore);
    painter.drawText(area, Qt::AlignCenter, QString::fromStdString(picture.PrintedText()));
  }
  const double fraction = std::clamp(picture.FilledFraction(), 0.0, 1.0);
  if (fraction > 0) {
    if (picture.DrawMode() == PictureDrawMode::kNotXorPen) {
      painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    }
    painter.fillRect(QRectF(0, 0, size.width() * fraction, size.height()), fore);
  }
  return image;
}

class PictureWidget : public QWidget {
 public:
  PictureWidget(PictureBox& picture, QWidget* parent) : QWidget(parent), picture_(picture) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), RenderPicture(picture_, size(), devicePixelRatioF(), font()));
  }

 private:
  PictureBox& picture_;
};

PictureBoxBinding::PictureBoxBinding(PictureBox& picture, RenderContext& context)
    : ControlBinding(picture, context),
      picture_(picture),
      widget_(new PictureWidget(picture, context.ContainerWidget(picture))),
      refreshesShown_(picture.RefreshCount()) {
  widget_->setObjectName(QString::fromStdString(picture.QualifiedName()));
}

QWidget* PictureBoxBinding::Widget() const { return widget_; }

void PictureBoxBinding::Apply(const ControlChange& change) {
  if (change.kind != ChangeKind::kDrawing) return SyncAll();
  if (picture_.RefreshCount() != refreshesShown_) {
    refreshesShown_ = picture_.RefreshCount();
    widget_->repaint();
  } else {
    widget_->update();
  }
}

void PictureBoxBinding::SyncOwn() { widget_->update(); }

}  // namespace quarvel::platform::controls::qt
