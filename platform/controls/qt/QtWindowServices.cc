#include "platform/controls/qt/QtWindowServices.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <cmath>

#include "platform/controls/ControlErrors.h"
#include "platform/controls/Form.h"
#include "platform/controls/qt/FormRenderer.h"
#include "platform/controls/qt/MessageBoxLayout.h"
#include "platform/controls/qt/QtDesktop.h"

namespace quarvel::platform::controls::qt {

QtWindowServices::QtWindowServices()
    : openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {}

QtWindowServices::~QtWindowServices() {
  if (busy_ && QCoreApplication::instance() != nullptr) QApplication::restoreOverrideCursor();
}

MsgBoxResult QtWindowServices::MessageBox(const std::string& text, MsgBoxButtons buttons,
                                          MsgBoxIcon icon, MsgBoxDefault defaultButton,
                                          const std::string& caption) {
  const MessageBoxLayout layout = LayOutMessageBox(buttons, icon, defaultButton);
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromStdString(text));
  box.setTextFormat(Qt::PlainText);
  box.setIcon(layout.icon);
  for (QMessageBox::StandardButton button : layout.buttons) box.addButton(button);
  box.setDefaultButton(layout.defaultButton);
  box.setEscapeButton(box.button(layout.escapeButton));
  // The busy pointer is for the work around the box, not for the box itself.
  if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  if (busy_) QApplication::restoreOverrideCursor();
  const auto clicked = static_cast<QMessageBox::StandardButton>(
      box.clickedButton() != nullptr ? box.standardButton(box.clickedButton())
                                     : QMessageBox::NoButton);
  return ResultOf(clicked, ResultOf(layout.escapeButton, MsgBoxResult::kCancel));
}

void QtWindowServices::SetMousePointer(MousePointer pointer) {
  const bool busy = pointer == MousePointer::kHourglass;
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtWindowServices::DoEvents() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

LocalDateTime QtWindowServices::Now() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate date = now.date();
  const QTime time = now.time();
  return LocalDateTime{date.year(), date.month(),  date.day(),
                       time.hour(), time.minute(), time.second()};
}

void QtWindowServices::OpenWebAddress(const std::string& url) {
  if (openUrl) openUrl(QUrl(QString::fromStdString(url)));
}

void QtWindowServices::RunModal(Form& form) {
  FormRenderer* renderer = desktop_ != nullptr ? desktop_->RendererFor(form) : nullptr;
  if (renderer == nullptr) ThrowControlError(kErrInvalidCall);
  renderer->RunUntilHidden();
}

std::optional<ScreenRect> QtWindowServices::WindowRect(const Control& control) {
  const Form* form = control.OwnerForm();
  const FormRenderer* renderer =
      form != nullptr && desktop_ != nullptr ? desktop_->RendererFor(*form) : nullptr;
  const QWidget* widget = renderer != nullptr ? renderer->WidgetFor(control) : nullptr;
  if (widget == nullptr) return std::nullopt;
  const QPoint topLeft = widget->mapToGlobal(QPoint(0, 0));
  return ScreenRect{topLeft.x(), topLeft.y(), topLeft.x() + widget->width(),
                    topLeft.y() + widget->height()};
}

namespace {

int TwipsPerPixel(bool horizontal) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen == nullptr ? 96.0
                     : horizontal      ? screen->logicalDotsPerInchX()
                                       : screen->logicalDotsPerInchY();
  return static_cast<int>(std::lround(1440.0 / (dpi > 0 ? dpi : 96.0)));
}

}  // namespace

int QtWindowServices::TwipsPerPixelX() { return TwipsPerPixel(true); }
int QtWindowServices::TwipsPerPixelY() { return TwipsPerPixel(false); }

}  // namespace quarvel::platform::controls::qt
