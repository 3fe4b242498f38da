// Window services for a run without a display (batch mode and the other
// headless commands): nothing is shown and nobody answers. A message box,
// which an unattended run never means to show, is written to the error
// stream and answered with its default button (a question with the answer
// said); a modal dialog runs the command's onModal (which fills and confirms
// it as a person would) and is then hidden, as if cancelled, if it is still
// shown; letting window messages run does nothing; the clock is the local
// time; web addresses are opened through the host. Window thread only.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "platform/controls/WindowServices.h"
#include "platform/host/HostSystem.h"

namespace quarvel::setup {

class HeadlessWindowServices : public platform::controls::WindowServices {
 public:
  // Both must outlive the services.
  HeadlessWindowServices(std::ostream& err, platform::host::HostSystem& host)
      : err_(err), host_(host) {}

  platform::controls::MsgBoxResult MessageBox(const std::string& text,
                                              platform::controls::MsgBoxButtons buttons,
                                              platform::controls::MsgBoxIcon icon,
                                              platform::controls::MsgBoxDefault defaultButton,
                                              const std::string& caption) override;
  void SetMousePointer(platform::controls::MousePointer) override {}
  void DoEvents() override {}
  platform::controls::LocalDateTime Now() override;
  void OpenWebAddress(const std::string& url) override { host_.OpenWebAddress(url); }
  void RunModal(platform::controls::Form& form) override;
  std::optional<platform::controls::ScreenRect> WindowRect(
      const platform::controls::Control&) override {
    return std::nullopt;
  }
  int TwipsPerPixelX() override { return 15; }
  int TwipsPerPixelY() override { return 15; }

  // What a command does in a modal dialog; none: the dialog is cancelled.
  std::function<void(platform::controls::Form&)> onModal;

 private:
  std::ostream& err_;
  platform::host::HostSystem& host_;
};

}  // namespace quarvel::setup
