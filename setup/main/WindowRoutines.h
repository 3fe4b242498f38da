// The main window's routines that belong to other concerns (the component
// application, registration, the rule list, the folder list) and that
// start-up, first activation and the folder list's refresh call. The
// SetupProgram answers each by handing it to the concern that owns it; a
// routine whose concern is not built yet does nothing.
//
// A routine handles its own failures as its concern specifies; one that
// still throws PlatformError is logged by its caller under its name.
// Window thread only.
#pragma once

#include <string>

namespace quarvel::setup {

class WindowRoutines {
 public:
  virtual ~WindowRoutines() = default;

  // The component application's and the store-wide registration's state in
  // every button and label they drive.
  virtual void RefreshButtons() = 0;
  // The rule list and the pickup directories from the rule file.
  virtual void LoadRules() = 0;
  // The folder list, the editor's folder tree and targets, and the recipients.
  virtual void GetPublicFolders() = 0;
  // The folder list sorted by path, first row selected.
  virtual void SortFolderListInitially() = 0;
  // Applies every pending folder row.
  virtual void subRegister() = 0;
  // Registers (or, from the button, unregisters) store-wide.
  virtual void subRegisterSW() = 0;

  // Shuts the component application down and starts it again, if installed;
  // reports nothing.
  virtual void RestartComPlusApp() = 0;
  // The store-wide registration's state: the folder list's mode, Frame2,
  // Label1 and btnRegisterSW (the first step of RefreshButtons).
  virtual void ShowStoreWideState() = 0;
  // The rule editor's recipient list and address list from the directory.
  virtual void GetADMailEnabledRecipients() = 0;
  // A rule's target changed from `previousTarget` to `target` (either may be
  // empty): the folder rows' marks follow.
  virtual void CorrelatePFList(const std::string& previousTarget, const std::string& target) = 0;
  // Every rule was deleted: no folder row is a rule target any more.
  virtual void TransformAllTargetsInPFList() = 0;
};

}  // namespace quarvel::setup
