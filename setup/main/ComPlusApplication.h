// The component application "Quarvel" that hosts the sink: finding it in the
// component catalog, creating it with the sink's component file, removing
// and restarting it, the install button, and RefreshButtons, which brings
// every button and label of the application and registration frames in line
// with the catalog and the store.
//
// The component file is Quarvel.so in the working directory. On Windows 2000
// hosts the application runs under the identity and password typed into the
// window; on every later version it runs as a service under .\localsystem,
// and the identity fields are never shown. The event sink priority is kept as
// the sink component's constructor string: written at installation, read back
// into txtPriority at every refresh, and checked as a priority both ways.
// Applications whose names differ only in letter case are one application.
//
// Failures: the catalog routines catch every PlatformError and write one log
// entry under their own name ("CheckComPlusAppExists", "AddComPlusApp",
// "RemoveComPlusApp"); AddComPlusApp names the step that failed and removes
// the application it had made again, so no half-made application is left.
// RestartComPlusApp reports nothing. A component whose module cannot be used,
// and a stored priority that is none, are logged once per program run, not
// at every refresh. The password goes to the catalog only: never into the
// log or a message.
//
// Works on the catalog through SetupPlatform; calls the store-wide state and
// the identity proposal of other concerns. Window thread only.
#pragma once

#include <filesystem>
#include <set>
#include <string>

#include "setup/main/SetupContext.h"
#include "setup/main/WindowRoutines.h"

namespace quarvel::platform::complus {
class AdminCatalogCollection;
class AdminCatalogObject;
}  // namespace quarvel::platform::complus

namespace quarvel::setup {

class DirectoryRecipients;
class PriorityField;

// The application's name: the word that also names the component file, the
// rule file and the registration item.
inline constexpr const char* kApplicationName = "Quarvel";
// The component file, looked for in the working directory.
inline constexpr const char* kComponentFileName = "Quarvel.so";
inline constexpr const char* kApplicationDescription =
    "Manages e-mails tagged as SPAM in Exchange Public Folders";
inline constexpr const char* kFillIdentityAndPassword =
    "Please fill the Identity and Password fields";

class ComPlusApplication {
 public:
  ComPlusApplication(const SetupContext& context, PriorityField& priority,
                     DirectoryRecipients& recipients, WindowRoutines& routines);

  // Whether an application of that name is in the catalog; `identity` gets
  // its "Identity". Puts the remembered priority (or the field's, or the
  // default) into txtPriority in any case.
  bool CheckComPlusAppExists(const std::string& name, std::string& identity);
  void AddComPlusApp(const std::string& name, const std::string& identity,
                     const std::string& password, const std::string& constructorString);
  void RemoveComPlusApp(const std::string& name);
  void RestartComPlusApp(const std::string& name);
  void RefreshButtons();
  // btnInstall: installs or uninstalls, as its caption says.
  void btnInstall_Click();

  // Whether the program runs in Windows 2000 mode.
  [[nodiscard]] bool IsWindows2000Mode() const;
  // Where the component file is looked for.
  [[nodiscard]] std::filesystem::path ComponentFile() const;

 private:
  // The first application named `name`, ignoring case, or null.
  [[nodiscard]] platform::complus::AdminCatalogObject* FindApplication(
      platform::complus::AdminCatalogCollection& applications, const std::string& name);
  // The application's sink component: the first whose name begins with
  // `name` + "." (exact), or null.
  [[nodiscard]] platform::complus::AdminCatalogObject* FindSinkComponent(
      platform::complus::AdminCatalogCollection& components, const std::string& name);
  // Removes the application with that ID, if it is there.
  void RemoveHalfMadeApplication(const std::string& id);
  // Logs the entry unless the same was logged before in this run.
  void LogOnce(const std::string& source, std::int32_t number, const std::string& description);

  const SetupContext& context_;
  PriorityField& priority_;
  DirectoryRecipients& recipients_;
  WindowRoutines& routines_;
  std::set<std::string> reported_;
};

}  // namespace quarvel::setup
