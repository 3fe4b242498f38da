// Registering the sink with the public store, through the main window: the
// store-wide state and the folder list's mode, the store-wide button, the
// folder rows a person checks and clears, Check All, and Change, which
// applies the pending rows.
//
// Store-wide registration is one item for all public folders. "Register"
// creates it or overwrites it in one transaction, and so does batch mode
// whenever the item exists (with the current priority); it is never deleted
// first, so a failed re-registration leaves the old item in place. Only
// "Unregister" deletes it. A person who clicks "Register" is asked first;
// batch mode and the headless commands never ask. Per-folder items are left
// alone by either; while store-wide mode lasts their rows show "pf", and
// afterwards each row shows what its folder really carries.
//
// Per folder, a person's click on a row (or its check box) flips it once,
// in per-folder mode only and never while the list is being refilled;
// without the application installed, rows can be cleared but not checked.
// Change then creates or removes each pending row's item: a created row turns
// black, a failed creation is logged, reset to "unchecked" and stays red (so
// the next pass removes what may be left); a failed removal is checked
// against the store, and a folder without an item turns black unlogged.
//
// Failures are written to the error log by the item routines
// (RegistrationItems) under the item's URL; nothing here throws. Calls
// RefreshButtons through WindowRoutines. Window thread only.
#pragma once

#include "setup/main/RegistrationItems.h"
#include "setup/main/SetupContext.h"
#include "setup/main/WindowRoutines.h"

namespace quarvel::platform::controls {
class ListItem;
}

namespace quarvel::setup {

inline constexpr const char* kRegisterStoreWideQuestion =
    "Are you sure you wish to register store-wide?";
inline constexpr const char* kPerFolderFrameCaption = "Per-folder registration";
inline constexpr const char* kStoreWideFrameCaption = "Mail-enabled Public Folders";
inline constexpr const char* kPerFolderStateLine =
    "Quarvel application can be registered for all public folders.";
inline constexpr const char* kStoreWideStateLine =
    "As Quarvel application is registered store-wide, you can not provide per-folder "
    "registration.";

class EventRegistration {
 public:
  EventRegistration(const SetupContext& context, RegistrationItems& items,
                    WindowRoutines& routines);

  // Looks for the store-wide item and sets the mode: the list's look,
  // Frame2, Label1 and btnRegisterSW.
  void ShowStoreWideState();
  // Registers store-wide (button reading "Register", or batch mode) or
  // unregisters; then refreshes the buttons and re-marks the rows.
  void subRegisterSW();
  // Applies every pending row.
  void subRegister();
  // cmdCheckAll: marks every unchecked row, or clears every checked one.
  void CheckAll();
  // A person's click on a row or its check box.
  void RowToggle(platform::controls::ListItem& row);

  // btnRegisterSW: busy around subRegisterSW; registering asks first when
  // `confirm` is set, and a "No" changes nothing.
  void btnRegisterSW_Click(bool confirm = true);
  // btnChange: busy around subRegister.
  void btnChange_Click();

 private:
  // The pending row's item, created or removed; the row turns black when
  // the store agrees.
  void ApplyRow(platform::controls::ListItem& row);

  const SetupContext& context_;
  RegistrationItems& items_;
  WindowRoutines& routines_;
};

}  // namespace quarvel::setup
