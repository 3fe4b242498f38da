// Window services for tests: message boxes answer from a queue (or with their
// default button when it is empty), every call is logged, the clock reads a
// fixed time, and a modal dialog runs a test's callback that acts as the
// person in front of it.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/controls/WindowServices.h"

namespace quarvel::platform::controls {

struct MessageBoxCall {
  std::string text;
  MsgBoxButtons buttons;
  MsgBoxIcon icon;
  MsgBoxDefault defaultButton;
  std::string caption;
};

class ScriptedWindowServices : public WindowServices {
 public:
  MsgBoxResult MessageBox(const std::string& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                          MsgBoxDefault defaultButton, const std::string& caption) override;
  void SetMousePointer(MousePointer pointer) override;
  void DoEvents() override;
  LocalDateTime Now() override { return now; }
  void OpenWebAddress(const std::string& url) override;
  // Runs onModal with the form. The form must be hidden or unloaded when it
  // returns (a real modal loop would still be waiting): std::logic_error otherwise.
  void RunModal(Form& form) override;
  std::optional<ScreenRect> WindowRect(const Control& control) override;
  int TwipsPerPixelX() override { return twipsPerPixelX; }
  int TwipsPerPixelY() override { return twipsPerPixelY; }

  // The button a message box would answer with when Return is pressed.
  static MsgBoxResult DefaultAnswer(MsgBoxButtons buttons, MsgBoxDefault defaultButton);

  std::deque<MsgBoxResult> answers;
  std::vector<MessageBoxCall> messageBoxes;
  // One line per call: "MessageBox <text>", "MousePointer busy|default",
  // "DoEvents", "OpenWebAddress <url>", "RunModal <form name>".
  std::vector<std::string> log;
  MousePointer mousePointer = MousePointer::kDefault;
  int doEventsCount = 0;
  std::function<void()> onDoEvents;  // e.g. a timer firing
  LocalDateTime now{2024, 3, 9, 14, 5, 6};
  std::vector<std::string> openedAddresses;
  std::function<void(Form&)> onModal;
  std::optional<ScreenRect> windowRect;
  int twipsPerPixelX = 15;
  int twipsPerPixelY = 15;
};

}  // namespace quarvel::platform::controls
