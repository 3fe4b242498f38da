#include "setup/discovery/PickupDirectory.h"

#include "common/Text.h"
#include "common/basIniFileWriter.h"
#include "platform/PlatformError.h"
#include "setup/main/ErrorLog.h"
#include "setup/main/InstallForm.h"
#include "setup/main/MainWindow.h"
#include "setup/rules/RuleFileAccess.h"

namespace quarvel::setup {

using platform::PlatformError;
namespace controls = platform::controls;

PickupDirectory::PickupDirectory(const SetupContext& context) : context_(context) {}

void PickupDirectory::FillPickupDirectories() {
  controls::ComboBox& combo = context_.form.ComboPickUp;
  combo.Clear();
  for (int number = 1; number <= kMaxVirtualServerNumber; ++number) {
    std::optional<platform::metabase::MetabaseObject> server;
    try {
      server = context_.platform.metabase.Bind(kSmtpVirtualServerPath + std::to_string(number));
    } catch (const PlatformError&) {
      break;  // the first missing number ends the list
    }
    // Read afresh for every server: one without the property adds nothing,
    // never the directory of the server before it.
    std::string path;
    try {
      path = text::Trim(server->GetString(kPickupDirectoryProperty));
    } catch (const PlatformError&) {
    }
    if (!path.empty()) combo.AddItem(path);
  }
}

void PickupDirectory::ChangeHandling() {
  if (!context_.state.blnTrackChanges) return;
  context_.form.btnPickUpChange.SetEnabled(
      !text::EqualsIgnoreCase(context_.form.ComboPickUp.Text(), context_.state.sSavedPickupDir));
}

void PickupDirectory::ChangeClick() {
  const std::string value = TextToStore();
  if (!IsStorableValue(value)) {
    context_.services.MessageBox(kValueRefusedMessage, controls::MsgBoxButtons::kOkOnly,
                                 controls::MsgBoxIcon::kExclamation,
                                 controls::MsgBoxDefault::kButton1, kProgramTitle);
    return;
  }
  const std::filesystem::path& file = context_.state.sRuleFilePath;
  try {
    WritePickupPath(file, value);
  } catch (const IniError& error) {
    context_.log.LogError("btnPickUpChange", platform::kErrFail, error.what());
  }
  // Whatever happened, the combo shows what the file holds now.
  const std::string stored = ReadPickupPath(file);
  FillPickupDirectories();
  context_.form.ComboPickUp.SetText(stored);
  context_.state.sSavedPickupDir = stored;
  context_.form.btnPickUpChange.SetEnabled(false);
  context_.log.ShowOrHide();
}

void PickupDirectory::ShowStored(std::string path) {
  ProgramState& state = context_.state;
  controls::ComboBox& combo = context_.form.ComboPickUp;
  FillPickupDirectories();
  state.blnTrackChanges = false;
  if (path.empty() && combo.ListCount() > 0) {
    const std::string first = text::Trim(combo.List(0));
    // Taken only when the file can hold it, and shown only once it does.
    if (IsStorableValue(first)) {
      try {
        WritePickupPath(state.sRuleFilePath, first);
        path = first;
      } catch (const IniError& error) {
        context_.log.LogError("LoadRules", platform::kErrFail, error.what());
      }
    }
  }
  combo.SetText(path);
  state.blnTrackChanges = true;
  state.sSavedPickupDir = path;
  // The text now equals what is stored; a button left enabled by earlier
  // typing would offer to store it again.
  ChangeHandling();
}

std::string PickupDirectory::TextToStore() const {
  return text::Trim(context_.form.ComboPickUp.Text());
}

}  // namespace quarvel::setup
