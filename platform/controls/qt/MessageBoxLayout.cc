#include "platform/controls/qt/MessageBoxLayout.h"

namespace quarvel::platform::controls::qt {

MessageBoxLayout LayOutMessageBox(MsgBoxButtons buttons, MsgBoxIcon icon,
                                  MsgBoxDefault defaultButton) {
  MessageBoxLayout layout;
  switch (icon) {
    case MsgBoxIcon::kNone:
      layout.icon = QMessageBox::NoIcon;
      break;
    case MsgBoxIcon::kCritical:
      layout.icon = QMessageBox::Critical;
      break;
    case MsgBoxIcon::kQuestion:
      layout.icon = QMessageBox::Question;
      break;
    case MsgBoxIcon::kExclamation:
      layout.icon = QMessageBox::Warning;
      break;
    case MsgBoxIcon::kInformation:
      layout.icon = QMessageBox::Information;
      break;
  }
  using B = QMessageBox::StandardButton;
  switch (buttons) {
    case MsgBoxButtons::kOkOnly:
      layout.buttons = {B::Ok};
      layout.escapeButton = B::Ok;
      break;
    case MsgBoxButtons::kOkCancel:
      layout.buttons = {B::Ok, B::Cancel};
      layout.escapeButton = B::Cancel;
      break;
    case MsgBoxButtons::kAbortRetryIgnore:
      layout.buttons = {B::Abort, B::Retry, B::Ignore};
      layout.escapeButton = B::Abort;
      break;
    case MsgBoxButtons::kYesNoCancel:
      layout.buttons = {B::Yes, B::No, B::Cancel};
      layout.escapeButton = B::Cancel;
      break;
    case MsgBoxButtons::kYesNo:
      layout.buttons = {B::Yes, B::No};
      layout.escapeButton = B::No;
      break;
    case MsgBoxButtons::kRetryCancel:
      layout.buttons = {B::Retry, B::Cancel};
      layout.escapeButton = B::Cancel;
      break;
  }
  const std::size_t wanted = static_cast<std::size_t>(defaultButton);
  layout.defaultButton = layout.buttons[wanted < layout.buttons.size() ? wanted : 0];
  return layout;
}

MsgBoxResult ResultOf(QMessageBox::StandardButton button, MsgBoxResult fallback) {
  switch (button) {
    case QMessageBox::Ok:
      return MsgBoxResult::kOk;
    case QMessageBox::Cancel:
      return MsgBoxResult::kCancel;
    case QMessageBox::Abort:
      return MsgBoxResult::kAbort;
    case QMessageBox::Retry:
      return MsgBoxResult::kRetry;
    case QMessageBox::Ignore:
      return MsgBoxResult::kIgnore;
    case QMessageBox::Yes:
      return MsgBoxResult::kYes;
    case QMessageBox::No:
      return MsgBoxResult::kNo;
    default:
      return fallback;
  }
}

}  // namespace quarvel::platform::controls::qt
