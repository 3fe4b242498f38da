// The controls that show a caption and answer a click:
// - a label (QLabel): its caption, alignment (at the top, as the desktop
//   draws labels) and word wrap; a click raises Click. A web-link label is
//   drawn underlined with a pointing hand, in its fore colour; its click
//   opens nothing by itself: the program's Click handler does that through
//   the window services.
// - a command button (QPushButton): Click when pressed (mouse, Space, or
//   Return while it has the focus); the form's Return and Escape keys reach
//   the default and cancel buttons through the form's window.
// - a frame (QGroupBox): its caption; the controls inside are its children,
//   so disabling or hiding it does the same to them.
// - an option button (QRadioButton): a person's click selects it through the
//   model, which clears its group; Qt's own exclusivity is off so the model
//   alone decides what is selected.
#pragma once

#include "platform/controls/qt/ControlBinding.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace quarvel::platform::controls {
class CommandButton;
class Frame;
class Label;
class OptionButton;
}  // namespace quarvel::platform::controls

namespace quarvel::platform::controls::qt {

class LabelBinding : public ControlBinding {
 public:
  LabelBinding(Label& label, RenderContext& context);
  [[nodiscard]] QWidget* Widget() const override;

 protected:
  void SyncOwn() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Label& label_;
  QLabel* widget_;
};

class CommandButtonBinding : public ControlBinding {
 public:
  CommandButtonBinding(CommandButton& button, RenderContext& context);
  [[nodiscard]] QWidget* Widget() const override;

 protected:
  void SyncOwn() override;

 private:
  CommandButton& button_;
  QPushButton* widget_;
};

class FrameBinding : public ControlBinding {
 public:
  FrameBinding(Frame& frame, RenderContext& context);
  [[nodiscard]] QWidget* Widget() const override;

 protected:
  void SyncOwn() override;

 private:
  Frame& frame_;
  QGroupBox* widget_;
};

class OptionButtonBinding : public ControlBinding {
 public:
  OptionButtonBinding(OptionButton& option, RenderContext& context);
  [[nodiscard]] QWidget* Widget() const override;

 protected:
  void SyncOwn() override;

 private:
  OptionButton& option_;
  QRadioButton* widget_;
};

}  // namespace quarvel::platform::controls::qt
