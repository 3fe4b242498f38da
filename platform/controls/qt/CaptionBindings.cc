#include "platform/controls/qt/CaptionBindings.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include "platform/controls/CommandButton.h"
#include "platform/controls/Frame.h"
#include "platform/controls/Label.h"
#include "platform/controls/OptionButton.h"
#include "platform/controls/qt/ColorMapping.h"
#include "platform/controls/qt/RenderContext.h"

namespace quarvel::platform::controls::qt {

namespace {

Qt::Alignment HorizontalAlignment(TextAlignment alignment) {
  switch (alignment) {
    case TextAlignment::kRight:
      return Qt::AlignRight;
    case TextAlignment::kCenter:
      return Qt::AlignHCenter;
    case TextAlignment::kLeft:
      break;
  }
  return Qt::AlignLeft;
}

}  // namespace

// ---------------------------------------------------------------------------
// LabelBinding

LabelBinding::LabelBinding(Label& label, RenderContext& context)
    : ControlBinding(label, context),
      label_(label),
      widget_(new QLabel(context.ContainerWidget(label))) {
  widget_->setObjectName(QString::fromStdString(label.QualifiedName()));
  widget_->setTextFormat(Qt::PlainText);
  widget_->installEventFilter(this);
}

QWidget* LabelBinding::Widget() const { return widget_; }

void LabelBinding::SyncOwn() {
  widget_->setText(QString::fromStdString(label_.Caption()));
  widget_->setAlignment(HorizontalAlignment(label_.Alignment()) | Qt::AlignTop);
  widget_->setWordWrap(label_.WordWrap());
  SetTextColor(*widget_, label_.ForeColor());
  QFont font = widget_->font();
  if (font.underline() != label_.IsWebLink()) {
    font.setUnderline(label_.IsWebLink());
    widget_->setFont(font);
  }
  if (label_.IsWebLink()) {
    widget_->setCursor(Qt::PointingHandCursor);
  } else {
    widget_->unsetCursor();
  }
}

bool LabelBinding::eventFilter(QObject* watched, QEvent* event) {
  if (watched == widget_ && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton &&
        widget_->rect().contains(mouse->position().toPoint())) {
      UserAction([this] { label_.UserClick(); });
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// CommandButtonBinding

CommandButtonBinding::CommandButtonBinding(CommandButton& button, RenderContext& context)
    : ControlBinding(button, context),
      button_(button),
      widget_(new QPushButton(context.ContainerWidget(button))) {
  widget_->setObjectName(QString::fromStdString(button.QualifiedName()));
  // Return presses the button that has the focus, as on the desktop.
  widget_->setAutoDefault(true);
  connect(widget_, &QPushButton::clicked, this,
          [this] { UserAction([this] { button_.UserClick(); }); });
}

QWidget* CommandButtonBinding::Widget() const { return widget_; }

void CommandButtonBinding::SyncOwn() {
  widget_->setText(QString::fromStdString(button_.Caption()));
  widget_->setDefault(button_.Default());
  SetTextColor(*widget_, button_.ForeColor());
}

// ---------------------------------------------------------------------------
// FrameBinding

FrameBinding::FrameBinding(Frame& frame, RenderContext& context)
    : ControlBinding(frame, context),
      frame_(frame),
      widget_(new QGroupBox(context.ContainerWidget(frame))) {
  widget_->setObjectName(QString::fromStdString(frame.QualifiedName()));
}

QWidget* FrameBinding::Widget() const { return widget_; }

void FrameBinding::SyncOwn() {
  widget_->setTitle(QString::fromStdString(frame_.Caption()));
  SetTextColor(*widget_, frame_.ForeColor());
}

// ---------------------------------------------------------------------------
// OptionButtonBinding

OptionButtonBinding::OptionButtonBinding(OptionButton& option, RenderContext& context)
    : ControlBinding(option, context),
      option_(option),
      widget_(new QRadioButton(context.ContainerWidget(option))) {
  widget_->setObjectName(QString::fromStdString(option.QualifiedName()));
  widget_->setAutoExclusive(false);
  connect(widget_, &QRadioButton::clicked, this,
          [this] { UserAction([this] { option_.UserClick(); }); });
}

QWidget* OptionButtonBinding::Widget() const { return widget_; }

void OptionButtonBinding::SyncOwn() {
  widget_->setText(QString::fromStdString(option_.Caption()));
  widget_->setChecked(option_.Value());
  SetTextColor(*widget_, option_.ForeColor());
}

}  // namespace quarvel::platform::controls::qt
