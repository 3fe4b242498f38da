// Window services for a run without a display (batch mode and the other
// headless commands): nothing is shown and nobody answers. A message box,
// which an unattended run never means to show, is written to the error
// stream and answered with its default button; a modal dialog is hidden at
// once, as if cancelled; letting window messages run does nothing; the clock
// is the local time; web addresses are opened through the host. Window
// thread only.
#pragma once

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

 private:
  std::ostream& err_;
  platform::host::HostSystem& host_;
};

}  // namespace quarvel::setup
