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

}  // namespace

MsgBoxResult HeadlessWindowServices::MessageBox(const std::string& text, MsgBoxButtons buttons,
                                                MsgBoxIcon, MsgBoxDefault defaultButton,
                                                const std::string& caption) {
  err_ << caption << ": " << text << '\n' << std::flush;
  return DefaultAnswer(buttons, defaultButton);
}

LocalDateTime HeadlessWindowServices::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
}

void HeadlessWindowServices::RunModal(Form& form) { form.Hide(); }

}  // namespace quarvel::setup
