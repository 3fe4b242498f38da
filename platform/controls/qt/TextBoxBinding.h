// A text box: a QLineEdit, or a QPlainTextEdit when the box is multi-line
// (chosen when drawn; multi-line is a design-time property). The password
// character masks the line as the model asks; a locked box is read-only.
//
// A person's typing: each key that types (TypedKey) first passes the model's
// KeyPress (TextBox::UserPreviewKey), which may discard or replace it; the
// widget then edits at its caret, and the resulting text goes to the model
// through UserPaste, which raises Change once. Paste, cut and undo arrive the
// same way, without KeyPress. Leaving the box (not for a popup or another
// window) raises LostFocus. The model's lines end in CR LF; the widget shows
// them as lines.
#pragma once

#include <QString>

#include "platform/controls/qt/ControlBinding.h"

class QLineEdit;
class QPlainTextEdit;

namespace quarvel::platform::controls {
class TextBox;
}

namespace quarvel::platform::controls::qt {

class TextBoxBinding : public ControlBinding {
 public:
  TextBoxBinding(TextBox& box, RenderContext& context);
  [[nodiscard]] QWidget* Widget() const override;

 protected:
  void SyncOwn() override;
  void SyncAfterUserAction() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  [[nodiscard]] QString WidgetText() const;
  void ShowText();
  // Hands the widget's text to the model when the two differ.
  void PushText();

  TextBox& box_;
  QLineEdit* line_ = nullptr;
  QPlainTextEdit* lines_ = nullptr;
};

}  // namespace quarvel::platform::controls::qt
