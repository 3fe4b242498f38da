#include "platform/controls/qt/TextBoxBinding.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/controls/TextBox.h"
#include "platform/controls/qt/ColorMapping.h"
#include "platform/controls/qt/RenderContext.h"
#include "platform/controls/qt/TypedKey.h"

namespace quarvel::platform::controls::qt {

namespace {

QString FromModelLines(const std::string& text) {
  return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string ToModelLines(QString text) {
  return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toStdString();
}

}  // namespace

TextBoxBinding::TextBoxBinding(TextBox& box, RenderContext& context)
    : ControlBinding(box, context), box_(box) {
  QWidget* parent = context.ContainerWidget(box);
  if (box.MultiLine()) {
    lines_ = new QPlainTextEdit(parent);
    lines_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lines_->setTabChangesFocus(true);
    connect(lines_, &QPlainTextEdit::textChanged, this, [this] {
      if (!IsMirroring()) PushText();
    });
  } else {
    line_ = new QLineEdit(parent);
    connect(line_, &QLineEdit::textEdited, this, [this] { PushText(); });
  }
  Widget()->setObjectName(QString::fromStdString(box.QualifiedName()));
  Widget()->installEventFilter(this);
}

QWidget* TextBoxBinding::Widget() const {
  return line_ != nullptr ? static_cast<QWidget*>(line_) : lines_;
}

QString TextBoxBinding::WidgetText() const {
  return line_ != nullptr ? line_->text() : lines_->toPlainText();
}

void TextBoxBinding::ShowText() {
  const QString text = FromModelLines(box_.Text());
  if (WidgetText() == text) return;  // the person's own edit: keep the caret where it is
  if (line_ != nullptr) {
    line_->setText(text);
  } else {
    lines_->setPlainText(text);
  }
}

void TextBoxBinding::SyncOwn() {
  ShowText();
  SetTextColor(*Widget(), box_.ForeColor());
  SetBackgroundColor(*Widget(), QPalette::Base, box_.BackColor());
  if (line_ != nullptr) {
    line_->setReadOnly(box_.Locked());
    const QList<uint> mask = QString::fromStdString(box_.PasswordChar()).toUcs4();
    if (mask.isEmpty()) {
      line_->setEchoMode(QLineEdit::Normal);
      line_->setStyleSheet(QString());
    } else {
      line_->setEchoMode(QLineEdit::Password);
      line_->setStyleSheet(
          QStringLiteral("QLineEdit { lineedit-password-character: %1; }").arg(mask[0]));
    }
  } else {
    lines_->setReadOnly(box_.Locked());
  }
}

void TextBoxBinding::SyncAfterUserAction() {
  Mirror mirror(*this);
  ShowText();
}

void TextBoxBinding::PushText() {
  const std::string text =
      line_ != nullptr ? line_->text().toStdString() : ToModelLines(lines_->toPlainText());
  if (text == box_.Text()) return;
  UserAction([this, &text] { box_.UserPaste(text); });
}

bool TextBoxBinding::eventFilter(QObject* watched, QEvent* event) {
  if (watched != Widget() || IsMirroring()) return false;
  if (event->type() == QEvent::KeyPress) {
    const int typed = TypedKeyAscii(*static_cast<QKeyEvent*>(event), lines_ != nullptr);
    if (typed == 0) return false;
    int key = 0;
    UserAction([this, typed, &key] { key = box_.UserPreviewKey(typed); });
    if (key == typed) return false;  // the widget types it
    if (key != 0 && !box_.Locked()) {
      if (line_ != nullptr) {
        TypeInto(*line_, key);
      } else {
        TypeInto(*lines_, key);
      }
      PushText();
    }
    return true;
  }
  if (event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
      UserAction([this] { box_.UserLeave(); });
    }
  }
  return false;
}

}  // namespace quarvel::platform::controls::qt
