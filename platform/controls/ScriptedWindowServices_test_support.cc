#include "platform/controls/ScriptedWindowServices_test_support.h"

#include <stdexcept>

#include "platform/controls/Form.h"

namespace quarvel::platform::controls {

MsgBoxResult ScriptedWindowServices::DefaultAnswer(MsgBoxButtons buttons,
                                                   MsgBoxDefault defaultButton) {
  std::vector<MsgBoxResult> order;
  switch (buttons) {
    case MsgBoxButtons::kOkOnly:
      order = {MsgBoxResult::kOk};
      break;
    case MsgBoxButtons::kOkCancel:
      order = {MsgBoxResult::kOk, MsgBoxResult::kCancel};
      break;
    case MsgBoxButtons::kAbortRetryIgnore:
      order = {MsgBoxResult::kAbort, MsgBoxResult::kRetry, MsgBoxResult::kIgnore};
      break;
    case MsgBoxButtons::kYesNoCancel:
      order = {MsgBoxResult::kYes, MsgBoxResult::kNo, MsgBoxResult::kCancel};
      break;
    case MsgBoxButtons::kYesNo:
      order = {MsgBoxResult::kYes, MsgBoxResult::kNo};
      break;
    case MsgBoxButtons::kRetryCancel:
      order = {MsgBoxResult::kRetry, MsgBoxResult::kCancel};
      break;
  }
  const auto wanted = static_cast<std::size_t>(defaultButton);
  return order[wanted < order.size() ? wanted : 0];
}

MsgBoxResult ScriptedWindowServices::MessageBox(const std::string& text, MsgBoxButtons buttons,
                                                MsgBoxIcon icon, MsgBoxDefault defaultButton,
                                                const std::string& caption) {
  messageBoxes.push_back({text, buttons, icon, defaultButton, caption});
  log.push_back("MessageBox " + text);
  if (answers.empty()) return DefaultAnswer(buttons, defaultButton);
  const MsgBoxResult answer = answers.front();
  answers.pop_front();
  return answer;
}

void ScriptedWindowServices::SetMousePointer(MousePointer pointer) {
  mousePointer = pointer;
  log.push_back(pointer == MousePointer::kHourglass ? "MousePointer busy" : "MousePointer default");
}

void ScriptedWindowServices::DoEvents() {
  ++doEventsCount;
  log.push_back("DoEvents");
  if (onDoEvents) onDoEvents();
}

void ScriptedWindowServices::OpenWebAddress(const std::string& url) {
  openedAddresses.push_back(url);
  log.push_back("OpenWebAddress " + url);
}

void ScriptedWindowServices::RunModal(Form& form) {
  log.push_back("RunModal " + form.Name());
  if (onModal) onModal(form);
  if (form.IsLoaded() && form.Visible()) {
    throw std::logic_error("modal form " + form.Name() + " is still shown after the script ran");
  }
}

std::optional<ScreenRect> ScriptedWindowServices::WindowRect(const Control&) { return windowRect; }

}  // namespace quarvel::platform::controls
