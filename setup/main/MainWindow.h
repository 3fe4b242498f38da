// The main window's own routines: start-up (window load), the first
// activation, the folder list's refresh, Exit and window unload, and the
// product link.
//
// Start-up runs its steps in a fixed order and every step is guarded: a
// failing step is written to the error log under the step's name (the
// directory path, the provider, the routine, the store URL) and the next
// step runs, so the window comes up with whatever could be found and the log
// says why the rest is missing. In batch mode the first activation ends with
// one registration pass and the program closing; once the window is unloaded
// nothing more runs.
//
// Calls the other concerns through WindowRoutines. Window thread only.
#pragma once

#include <functional>
#include <string>

#include "setup/main/SetupContext.h"
#include "setup/main/WindowRoutines.h"

namespace quarvel::setup {

class ServerPaths;

// The program's title, as message boxes carry it, and the window's caption:
// the application's name and " setup".
inline constexpr const char* kProgramTitle = "Quarvel";
inline constexpr const char* kWindowCaption = "Quarvel setup";
inline constexpr const char* kBatchCaptionSuffix = " - batch mode";

class MainWindow {
 public:
  MainWindow(const SetupContext& context, ServerPaths& paths, WindowRoutines& routines);

  // Window load.
  void StartUp();
  // Window activation: the first one does the one-time work.
  void Activate();
  // Reloads the folder list (also the folder list's Refresh button, below).
  void RefreshFolderList();
  // cmdRefreshFolders: empties the error log, then RefreshFolderList, busy throughout.
  void RefreshFoldersClick();
  // Command2 ("Exit"), and what the close box amounts to.
  void Exit();
  // Window unload: closes both connections and unloads the rule editor;
  // errors are ignored, unloading is never refused.
  void WindowUnload();
  // Label6: opens the product's web page; a failure is logged under its address.
  void OpenProductWebPage();

 private:
  void FirstActivation();
  // Runs `step`; a PlatformError from it is logged under `source`. Returns
  // whether it ran through.
  bool Guarded(const std::string& source, const std::function<void()>& step);

  const SetupContext& context_;
  ServerPaths& paths_;
  WindowRoutines& routines_;
};

}  // namespace quarvel::setup
