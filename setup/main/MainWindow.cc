#include "setup/main/MainWindow.h"

#include <exception>

#include "platform/PlatformError.h"
#include "platform/directory/DirectoryProvider.h"
#include "platform/store/provider/StoreSession.h"
#include "setup/discovery/ServerPaths.h"
#include "setup/main/CommandLine.h"
#include "setup/main/ErrorLog.h"
#include "setup/main/InstallForm.h"
#include "setup/main/StatusDisplay.h"
#include "setup/rules/frmAddEdit.h"
#include "setup/ui/basLVSetLastColumn.h"

namespace quarvel::setup {

using platform::PlatformError;

namespace {
constexpr const char* kRootDsePath = "GC://RootDSE";
}

MainWindow::MainWindow(const SetupContext& context, ServerPaths& paths, WindowRoutines& routines)
    : context_(context), paths_(paths), routines_(routines) {}

bool MainWindow::Guarded(const std::string& source, const std::function<void()>& step) {
  try {
    step();
    return true;
  } catch (const PlatformError& error) {
    context_.log.LogError(source, error);
  } catch (const std::exception& error) {
    // A stand-in's fault that escaped as another exception still must not
    // end the program; it is reported as the platform's general failure.
    context_.log.LogError(source, platform::kErrFail, error.what());
  }
  return false;
}

void MainWindow::StartUp() {
  ProgramState& state = context_.state;
  WindowState& window = context_.window;
  InstallForm& form = context_.form;
  const SetupPlatform& platform = context_.platform;

  state.blnTrackChanges = true;
  window.listReady = true;
  window.batchMode = IsBatchCommandLine(context_.settings.commandLine);
  Guarded("StatusBar1", [&] { context_.status.PreparePictures(); });
  form.SetCaption(std::string(kWindowCaption) + (window.batchMode ? kBatchCaptionSuffix : ""));
  Guarded("IsClusterServer", [&] { window.clusterServer = platform.host.ClusterKeyExists(); });
  Guarded(kRootDsePath, [&] {
    window.globalCatalogPath =
        "GC://" + platform.directory.Bind(kRootDsePath).GetString("dnshostname");
  });
  Guarded(std::string(platform::directory::kDirectoryProviderName), [&] {
    window.directoryConnection.Open(std::string(platform::directory::kDirectoryProviderName),
                                    std::string(platform::directory::kDirectoryConnectionString),
                                    "", "");
  });
  if (window.clusterServer) Guarded("GetClusterName", [&] { paths_.GetClusterName(); });
  Guarded("GetCommonPath", [&] { paths_.GetCommonPath(); });
  // Without a root, discovery has already said why; a store connection on
  // no URL could only fail again.
  if (!state.publicFolderRootUrl.empty()) {
    Guarded(state.publicFolderRootUrl, [&] {
      window.storeConnection.Open(std::string(platform::store::kStoreProviderName),
                                  state.publicFolderRootUrl, "", "");
    });
  }
  Guarded("frmAddEdit", [&] { context_.editor.Load(); });
}

void MainWindow::Activate() {
  if (context_.window.activated) return;
  FirstActivation();
}

void MainWindow::FirstActivation() {
  InstallForm& form = context_.form;
  StatusDisplay& status = context_.status;
  status.StartAction();
  context_.window.activated = true;
  Guarded("RefreshButtons", [&] { routines_.RefreshButtons(); });
  Guarded("LoadRules", [&] { routines_.LoadRules(); });
  RefreshFolderList();
  if (context_.window.batchMode) {
    if (form.btnRegisterSW.Caption() == "Unregister") {
      Guarded("subRegisterSW", [&] { routines_.subRegisterSW(); });
    } else {
      Guarded("subRegister", [&] { routines_.subRegister(); });
    }
    // The program ends here; nothing after this may touch the closed window.
    Exit();
    return;
  }
  context_.services.DoEvents();
  SetLastColumnWidth(form.ListView1);
  SetLastColumnWidth(form.ListView2);
  status.EndAction();
}

void MainWindow::RefreshFolderList() {
  StatusDisplay& status = context_.status;
  status.StartAction();
  Guarded("GetPublicFolders", [&] { routines_.GetPublicFolders(); });
  context_.log.ShowOrHide();
  context_.form.btnChange.SetEnabled(false);
  context_.services.DoEvents();
  status.EndAction();
  context_.services.DoEvents();
  Guarded("SortFolderListInitially", [&] { routines_.SortFolderListInitially(); });
}

void MainWindow::RefreshFoldersClick() {
  context_.status.StartAction();
  context_.log.Clear();
  context_.log.ShowOrHide();
  RefreshFolderList();
  context_.status.EndAction();
}

void MainWindow::Exit() {
  context_.state.blnAllowEditorUnload = true;
  context_.form.Unload();
}

void MainWindow::WindowUnload() {
  WindowState& window = context_.window;
  for (platform::ado::Connection* connection :
       {&window.directoryConnection, &window.storeConnection}) {
    try {
      if (connection->State() != platform::ado::adStateClosed) connection->Close();
    } catch (const PlatformError&) {
      // The program is ending; a connection that will not close is let go.
    }
  }
  context_.state.blnAllowEditorUnload = true;
  try {
    context_.editor.Unload();
  } catch (const PlatformError&) {
    // Unloading is never refused.
  }
  window.closed = true;
}

void MainWindow::OpenProductWebPage() {
  Guarded(kProductWebAddress, [&] { context_.services.OpenWebAddress(kProductWebAddress); });
  context_.log.ShowOrHide();
}

}  // namespace quarvel::setup
