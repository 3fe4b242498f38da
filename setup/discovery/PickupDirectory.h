// The SMTP pickup directory that forwarded mail is written into: the main
// window's ComboPickUp offers the pickup directories of the server's SMTP
// virtual servers and takes any typed path; btnPickUpChange stores the
// choice in the rule file, under "Path" of "Quarvel PickupDir".
//
// Virtual servers are bound as "IIS://localhost/smtpsvc/1", "/2", ... through
// the platform's metabase binder; the first number that fails to bind ends
// the list, and a server without a pickup directory contributes nothing.
// The combo's list is rebuilt at every load of the rules and after every
// Change. The change handling acts only while blnTrackChanges is set, and
// keeps the Change button enabled exactly while the text differs (ignoring
// letter case) from sSavedPickupDir.
//
// A value with a line break, or longer than the file can hold, is refused
// with a message; a failed write is logged and the combo then shows what
// the file really holds. Window thread only.
#pragma once

#include <string>

#include "setup/main/SetupContext.h"

namespace quarvel::setup {

inline constexpr const char* kSmtpVirtualServerPath = "IIS://localhost/smtpsvc/";
inline constexpr const char* kPickupDirectoryProperty = "PickupDirectory";
// Virtual server numbers are 16-bit signed counters.
inline constexpr int kMaxVirtualServerNumber = 32767;

class PickupDirectory {
 public:
  explicit PickupDirectory(const SetupContext& context);

  // Refills the combo's list; never fails.
  void FillPickupDirectories();
  // ComboPickUp's change, click and lost focus.
  void ChangeHandling();
  // btnPickUpChange ("Change").
  void ChangeClick();

  // The pickup part of loading the rules: the list refilled, the stored
  // `path` shown (the first directory found, written at once, when none is
  // stored), and remembered as sSavedPickupDir.
  void ShowStored(std::string path);
  // What a save of the rule list stores: the combo's text, trimmed.
  [[nodiscard]] std::string TextToStore() const;

 private:
  const SetupContext& context_;
};

}  // namespace quarvel::setup
