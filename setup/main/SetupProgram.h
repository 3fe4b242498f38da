// The setup program as one object: the composition root. It owns the two
// windows (InstallForm and the rule editor frmAddEdit), the program-wide and
// window state, and one object per concern, wires the windows' events to
// them, and answers the window routines of concerns that other parts of the
// program call (WindowRoutines) by handing each to the concern that owns it.
//
// The platform (SetupPlatform) and the window services are not owned; they
// must outlive the program. Nothing runs at construction: Load runs
// start-up, Activate the first activation (a renderer gets both from
// InstallForm's Show), and an unattended run calls them in turn, then Exit.
// No global state: everything lives in this object. Window thread only.
//
// Adding a concern: give it a member below (after the members it uses),
// construct it from `context_` and the concerns it calls, wire its controls
// in WireEvents, and let the matching WindowRoutines override call it.
#pragma once

#include <ostream>

#include "platform/controls/WindowServices.h"
#include "setup/discovery/DirectoryRecipients.h"
#include "setup/discovery/PickupDirectory.h"
#include "setup/discovery/PublicFolderList.h"
#include "setup/discovery/ServerPaths.h"
#include "setup/main/ComPlusApplication.h"
#include "setup/main/ErrorLog.h"
#include "setup/main/EventRegistration.h"
#include "setup/main/InstallForm.h"
#include "setup/main/MainWindow.h"
#include "setup/main/PriorityField.h"
#include "setup/main/ProgramSettings.h"
#include "setup/main/ProgramState.h"
#include "setup/main/QuarantineRestore.h"
#include "setup/main/RegistrationItems.h"
#include "setup/main/SetupContext.h"
#include "setup/main/SetupPlatform.h"
#include "setup/main/StatusDisplay.h"
#include "setup/main/WindowRoutines.h"
#include "setup/main/WindowState.h"
#include "setup/rules/RuleEditor.h"
#include "setup/rules/RuleList.h"
#include "setup/rules/frmAddEdit.h"

namespace quarvel::setup {

class SetupProgram : private WindowRoutines {
 public:
  SetupProgram(const SetupPlatform& platform, platform::controls::WindowServices& services,
               ProgramSettings settings);
  ~SetupProgram() override;
  SetupProgram(const SetupProgram&) = delete;
  SetupProgram& operator=(const SetupProgram&) = delete;

  // Every error-log entry also goes to `stream` (unattended runs); null for none.
  void EchoLogTo(std::ostream* stream) { log_.EchoTo(stream); }

  // Loads the main window: start-up.
  void Load() { form_.Load(); }
  // The main window's activation, as the desktop raises it on Show.
  void Activate() { main_.Activate(); }
  // Exit, as the button does.
  void Exit() { main_.Exit(); }
  // The window was unloaded; nothing more runs.
  [[nodiscard]] bool IsClosed() const { return window_.closed; }

  [[nodiscard]] InstallForm& Form() { return form_; }
  [[nodiscard]] frmAddEdit& Editor() { return editor_; }
  [[nodiscard]] const ProgramState& State() const { return state_; }
  [[nodiscard]] const WindowState& Window() const { return window_; }
  [[nodiscard]] ErrorLog& Log() { return log_; }
  [[nodiscard]] const ErrorLog& Log() const { return log_; }
  [[nodiscard]] StatusDisplay& Status() { return status_; }
  [[nodiscard]] ServerPaths& Paths() { return paths_; }
  [[nodiscard]] MainWindow& Main() { return main_; }
  [[nodiscard]] ComPlusApplication& ComPlus() { return complus_; }
  [[nodiscard]] DirectoryRecipients& Recipients() { return recipients_; }
  [[nodiscard]] PickupDirectory& Pickup() { return pickup_; }
  [[nodiscard]] RuleList& Rules() { return rules_; }
  [[nodiscard]] RuleEditor& RuleEditing() { return ruleEditor_; }
  [[nodiscard]] RegistrationItems& Items() { return items_; }
  [[nodiscard]] EventRegistration& Registration() { return registration_; }
  [[nodiscard]] PublicFolderList& Folders() { return folders_; }
  [[nodiscard]] QuarantineRestore& Restore() { return restore_; }

 private:
  void WireEvents();

  // WindowRoutines: each hands the routine to the concern that owns it.
  void RefreshButtons() override;
  void LoadRules() override;
  void GetPublicFolders() override;
  void SortFolderListInitially() override;
  void subRegister() override;
  void subRegisterSW() override;
  void RestartComPlusApp() override;
  void ShowStoreWideState() override;
  void GetADMailEnabledRecipients() override;
  void CorrelatePFList(const std::string& previousTarget, const std::string& target) override;
  void TransformAllTargetsInPFList() override;

  SetupPlatform platform_;
  platform::controls::WindowServices& services_;
  ProgramSettings settings_;
  InstallForm form_;
  frmAddEdit editor_;
  ProgramState state_;
  WindowState window_;
  ErrorLog log_;
  StatusDisplay status_;
  SetupContext context_;
  // The concerns.
  PriorityField priority_;
  ServerPaths paths_;
  MainWindow main_;
  DirectoryRecipients recipients_;
  ComPlusApplication complus_;
  PickupDirectory pickup_;
  RuleList rules_;
  RuleEditor ruleEditor_;
  RegistrationItems items_;
  EventRegistration registration_;
  PublicFolderList folders_;
  QuarantineRestore restore_;
};

}  // namespace quarvel::setup
