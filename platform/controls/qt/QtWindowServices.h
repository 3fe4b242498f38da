// The window services answered by Qt for the forms a QtDesktop draws:
// - MessageBox: a QMessageBox with the icon, buttons, default button and
//   caption asked for (MessageBoxLayout), over the active window;
// - SetMousePointer: the busy pointer over the whole application, set once
//   and taken back once however often either is asked for;
// - DoEvents: processes pending events, painting and timers included, but
//   leaves a person's input (clicks, keys) queued until the caller is done;
// - Now: the local clock;
// - OpenWebAddress: the desktop's URL handler (QDesktopServices);
// - RunModal: waits in a nested event loop, with the form's window
//   application-modal, until the form is hidden or unloaded;
// - WindowRect: the control's widget on the screen, in logical pixels;
// - TwipsPerPixel: from the primary screen's logical DPI.
// The services find drawn forms through the QtDesktop attached to them
// (without one, RunModal is kErrInvalidCall and WindowRect has nothing).
// They may be made before the QApplication, so a program can hand them to
// its windows first and draw them later; they are used only while it exists.
// Window thread only.
#pragma once

#include <QUrl>
#include <functional>

#include "platform/controls/WindowServices.h"

namespace quarvel::platform::controls::qt {

class QtDesktop;

class QtWindowServices : public WindowServices {
 public:
  QtWindowServices();
  ~QtWindowServices() override;

  // The desktop whose forms RunModal and WindowRect look for; null detaches.
  void AttachDesktop(const QtDesktop* desktop) { desktop_ = desktop; }

  MsgBoxResult MessageBox(const std::string& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                          MsgBoxDefault defaultButton, const std::string& caption) override;
  void SetMousePointer(MousePointer pointer) override;
  void DoEvents() override;
  LocalDateTime Now() override;
  void OpenWebAddress(const std::string& url) override;
  void RunModal(Form& form) override;
  std::optional<ScreenRect> WindowRect(const Control& control) override;
  int TwipsPerPixelX() override;
  int TwipsPerPixelY() override;

  // How a web address is opened: QDesktopServices::openUrl unless replaced (tests).
  std::function<bool(const QUrl&)> openUrl;

 private:
  const QtDesktop* desktop_ = nullptr;
  bool busy_ = false;
};

}  // namespace quarvel::platform::controls::qt
