#include "setup/app/HeadlessWindowServices.h"

#include <ctime>

#include "platform/controls/Form.h"

namespace quarvel::setup {

using namespace platform::controls;

namespace {

// The button Return would press: the default button among those shown.
MsgBoxResult DefaultAnswer(MsgBoxButtons buttons, MsgBoxDefault defaultButton) {
  const int index = static_cast<int>(defaultButton);
  switch (buttons) {
    case MsgBoxButtons::kOkOnly:
      return MsgBoxResult::kOk;
    case MsgBoxButtons::kOkCancel:
      return index == 0 ? MsgBoxResult::kOk : MsgBoxResult::kCancel;
    case MsgBoxButtons::kAbortRetryIgnore: {
      const MsgBoxResult answers[] = {MsgBoxResult::kAbort, MsgBoxResult::kRetry,
                                      MsgBoxResult::kIgnore};
      return answers[index];
    }
    case MsgBoxButtons::kYesNoCancel: {
      const MsgBoxResult answers[] = {MsgBoxResult::kYes, MsgBoxResult::kNo, MsgBoxResult::kCancel};
      return answers[index];
    }
    case MsgBoxButtons::kYesNo:
      return index == 0 ? MsgBoxResult::kYes : MsgBoxResult::kNo;
    case MsgBoxButtons::kRetryCancel:
      return index == 0 ? MsgBoxResult::kRetry : MsgBoxResult::kCancel;
  }
  return MsgBoxResult::kCancel;
}

const char* AnswerName(MsgBoxResult answer) {
  switch (answer) {
    case MsgBoxResult::kOk:
      return "OK";
    case MsgBoxResult::kCancel:
      return "Cancel";
    case MsgBoxResult::kAbort:
      return "Abort";
    case MsgBoxResult::kRetry:
      return "Retry";
    case MsgBoxResult::kIgnore:
      return "Ignore";
    case MsgBoxResult::kYes:
      return "Yes";
    case MsgBoxResult::kNo:
      break;
  }
  return "No";
}

}  // namespace

MsgBoxResult HeadlessWindowServices::MessageBox(const std::string& text, MsgBoxButtons buttons,
                                                MsgBoxIcon, MsgBoxDefault defaultButton,
                                                const std::string& caption) {
  const MsgBoxResult answer = DefaultAnswer(buttons, defaultButton);
  err_ << caption << ": " << text << '\n';
  // A question's answer decides what the run did next, so it is said too.
  if (buttons != MsgBoxButtons::kOkOnly) err_ << "(answered " << AnswerName(answer) << ")\n";
  err_ << std::flush;
  return answer;
}

LocalDateTime HeadlessWindowServices::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
}

void HeadlessWindowServices::RunModal(Form& form) {
  if (onModal) onModal(form);
  // A dialog must end here: nobody is left to close it.
  if (form.IsLoaded() && form.Visible()) form.Hide();
}

}  // namespace quarvel::setup
