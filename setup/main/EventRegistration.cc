#include "setup/main/EventRegistration.h"

#include <string>

#include "platform/controls/ListItem.h"
#include "setup/main/ErrorLog.h"
#include "setup/main/FolderRowState.h"
#include "setup/main/InstallForm.h"
#include "setup/main/MainWindow.h"
#include "setup/main/StatusDisplay.h"

namespace quarvel::setup {

using namespace platform::controls;

EventRegistration::EventRegistration(const SetupContext& context, RegistrationItems& items,
                                     WindowRoutines& routines)
    : context_(context), items_(items), routines_(routines) {}

void EventRegistration::ShowStoreWideState() {
  InstallForm& form = context_.form;
  const bool storeWide =
      items_.RegistrationItemExists(items_.StoreWideBase(), items_.StoreWideFolder(),
                                    kRegistrationItemName, true) == 1;
  if (storeWide) {
    form.ListView1.SetBorderStyle(ListBorderStyle::kFlat);
    form.ListView1.SetBackColor(Color::System(SystemColor::kInactiveBorder));
    form.Frame2.SetCaption(kStoreWideFrameCaption);
    form.Label1.SetCaption(kStoreWideStateLine);
    form.btnRegisterSW.SetCaption("Unregister");
  } else {
    form.ListView1.SetBorderStyle(ListBorderStyle::kSunken3D);
    form.ListView1.SetBackColor(kWhite);
    form.Frame2.SetCaption(kPerFolderFrameCaption);
    form.Label1.SetCaption(kPerFolderStateLine);
    form.btnRegisterSW.SetCaption("Register");
  }
}

void EventRegistration::subRegisterSW() {
  InstallForm& form = context_.form;
  ErrorLog& log = context_.log;
  log.Clear();
  const std::string base = items_.StoreWideBase();
  const std::string folder = items_.StoreWideFolder();
  if (form.btnRegisterSW.Caption() == "Register" || context_.window.batchMode) {
    // Overwritten in one transaction, never deleted first: if this fails,
    // the item that was there still serves every folder.
    (void)items_.CreateRegistrationItem(
        base, folder, kRegistrationItemName, kRegistrationEventMethod, kRegistrationSinkClass,
        kMatchScopeStoreWide, kRegistrationCriteria, form.txtPriority.Text(), true);
  } else if (!items_.DeleteRegistrationItem(base, folder, kRegistrationItemName, false)) {
    // A missing item is what Unregister wants; anything else is reported.
    (void)items_.RegistrationItemExists(base, folder, kRegistrationItemName, true);
  }
  log.ShowOrHide();
  routines_.RefreshButtons();

  // Every row that registration owns follows the new mode; rule targets and
  // access-denied folders keep their marks.
  const bool storeWide = IsStoreWideMode(form.ListView1);
  StatusDisplay& status = context_.status;
  status.BeginProgress(form.ListView1.ListItems().Count());
  for (ListItem& row : form.ListView1.ListItems()) {
    status.UpdateStatus(1);
    const std::string& mark = row.SmallIcon();
    if (mark != kMarkChecked && mark != kMarkUnchecked && mark != kMarkPf) continue;
    MarkFromStore(row, items_, storeWide);
  }
  status.EndProgress();
}

void EventRegistration::subRegister() {
  InstallForm& form = context_.form;
  StatusDisplay& status = context_.status;
  context_.log.Clear();
  status.BeginProgress(form.ListView1.ListItems().Count());
  for (ListItem& row : form.ListView1.ListItems()) {
    status.UpdateStatus(1);
    if (IsPending(row)) ApplyRow(row);
  }
  status.EndProgress();
}

void EventRegistration::ApplyRow(ListItem& row) {
  ErrorLog& log = context_.log;
  const std::string& folderUrl = row.Key();
  if (row.SmallIcon() == kMarkChecked) {
    const std::string created = items_.CreateRegistrationItem(
        folderUrl, "", kRegistrationItemName, kRegistrationEventMethod, kRegistrationSinkClass,
        kMatchScopeFolder, kRegistrationCriteria, context_.form.txtPriority.Text(), true);
    if (!created.empty()) {
      SetPending(row, false);
    } else {
      // Unchecked and still pending: the next pass removes whatever is left.
      log.ShowOrHide();
      SetRowMark(row, kMarkUnchecked);
    }
    return;
  }
  if (items_.DeleteRegistrationItem(folderUrl, "", kRegistrationItemName, false)) {
    SetPending(row, false);
  } else if (items_.RegistrationItemExists(folderUrl, "", kRegistrationItemName, true) == 0) {
    SetPending(row, false);  // there was nothing to remove
  } else {
    log.ShowOrHide();
  }
}

void EventRegistration::CheckAll() {
  InstallForm& form = context_.form;
  const bool mark = form.cmdCheckAll.Caption() == "Check All";
  if (mark) {
    form.cmdCheckAll.SetCaption("Uncheck All");
  } else if (form.btnInstall.Caption() == "Uninstall") {
    // Without the application, registrations can only be removed.
    form.cmdCheckAll.SetCaption("Check All");
  }
  const char* from = mark ? kMarkUnchecked : kMarkChecked;
  const char* to = mark ? kMarkChecked : kMarkUnchecked;
  for (ListItem& row : form.ListView1.ListItems()) {
    if (row.SmallIcon() != from) continue;
    SetRowMark(row, to);
    SetPending(row, true);
    form.btnChange.SetEnabled(true);
  }
}

void EventRegistration::RowToggle(ListItem& row) {
  InstallForm& form = context_.form;
  if (!context_.window.listReady || IsStoreWideMode(form.ListView1)) return;
  const bool checked = row.SmallIcon() == kMarkChecked;
  if (!checked && row.SmallIcon() != kMarkUnchecked) return;
  if (form.btnInstall.Caption() == "Install" && !checked) return;
  SetRowMark(row, checked ? kMarkUnchecked : kMarkChecked);
  SetPending(row, true);
  form.btnChange.SetEnabled(true);
}

void EventRegistration::btnRegisterSW_Click(bool confirm) {
  InstallForm& form = context_.form;
  StatusDisplay& status = context_.status;
  status.StartAction();
  if (confirm && form.btnRegisterSW.Caption() == "Register") {
    const MsgBoxResult answer =
        context_.services.MessageBox(kRegisterStoreWideQuestion, MsgBoxButtons::kYesNo,
                                     MsgBoxIcon::kQuestion, MsgBoxDefault::kButton2, kProgramTitle);
    if (answer != MsgBoxResult::kYes) {
      status.EndAction();
      return;
    }
  }
  subRegisterSW();
  status.EndAction();
}

void EventRegistration::btnChange_Click() {
  context_.status.StartAction();
  subRegister();
  context_.status.EndAction();
}

}  // namespace quarvel::setup
