#include "platform/controls/qt/StatusBarBinding.h"

#include <qdrawutil.h>

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

#include "platform/controls/StatusBar.h"
#include "platform/controls/qt/ColorMapping.h"
#include "platform/controls/qt/RenderContext.h"
#include "platform/controls/qt/TwipsScale.h"

namespace quarvel::platform::controls::qt {

class StatusBarWidget : public QWidget {
 public:
  StatusBarWidget(StatusBar& bar, const TwipsScale& scale, QWidget* parent)
      : QWidget(parent), bar_(bar), scale_(scale) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const int gap = 2;
    for (const Panel& panel : bar_.Panels()) {
      const int left = scale_.ToPixels(panel.Left());
      const int right = scale_.ToPixels(panel.Left() + panel.Width());
      QRect box(left, 1, right - left - gap, height() - 2);
      if (box.width() <= 2) continue;
      qDrawShadePanel(&painter, box, palette(), /*sunken=*/true, 1);
      const QRect textBox = box.adjusted(4, 1, -3, -1);
      const QString text = fontMetrics().elidedText(QString::fromStdString(panel.Text()),
                                                    Qt::ElideRight, textBox.width());
      painter.setPen(palette().color(QPalette::WindowText));
      painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
  }

 private:
  StatusBar& bar_;
  const TwipsScale& scale_;
};

StatusBarBinding::StatusBarBinding(StatusBar& bar, RenderContext& context)
    : ControlBinding(bar, context),
      bar_(bar),
      widget_(new StatusBarWidget(bar, context.Scale(), context.ContainerWidget(bar))) {
  widget_->setObjectName(QString::fromStdString(bar.QualifiedName()));
}

QWidget* StatusBarBinding::Widget() const { return widget_; }

void StatusBarBinding::Apply(const ControlChange& change) {
  if (change.kind == ChangeKind::kItemAdded || change.kind == ChangeKind::kItemChanged) {
    widget_->update();
    return;
  }
  SyncAll();
}

void StatusBarBinding::SyncOwn() {
  SetTextColor(*widget_, bar_.ForeColor());
  widget_->update();
}

}  // namespace quarvel::platform::controls::qt
