// The setup program's platform on the stand-in server: one directory
// (EXSIM_ROOT, see DefaultRoot) holding the host's facts, the directory, the
// server's management objects, the public store, the component catalog and
// the metabase, each where platform/server/ServerFiles.h says. It owns each
// stand-in and the data layer's providers ("ExOLEDB.DataSource" on the store,
// "adsDSOobject" on the directory) and lends them to the program as a
// SetupPlatform.
//
// Making one never fails for a missing or broken part: the part's own calls
// fail later with its error (a missing directory file is no directory, a
// missing server.json fails discovery, a store that cannot be opened makes
// the store connection fail with the reason, a catalog file that cannot be
// read fails every catalog call with the reason), so the program's log names
// what is wrong. Must outlive the program using its bundle. One thread.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/ado/ProviderRegistry.h"
#include "platform/complus/AdminCatalog.h"
#include "platform/directory/DirectoryFile.h"
#include "platform/host/SimulatedHost.h"
#include "platform/metabase/MetabaseFileBinder.h"
#include "platform/store/PublicStore.h"
#include "platform/store/provider/ServerFileDiscovery.h"
#include "platform/store/provider/StoreSession.h"
#include "setup/main/SetupPlatform.h"

namespace quarvel::setup {

class ServerPlatform {
 public:
  // $EXSIM_ROOT when set and not empty, else "exsim-server" in the working
  // directory (the stand-in server's own default).
  [[nodiscard]] static std::filesystem::path DefaultRoot();

  explicit ServerPlatform(std::filesystem::path root);
  ~ServerPlatform();
  ServerPlatform(const ServerPlatform&) = delete;
  ServerPlatform& operator=(const ServerPlatform&) = delete;

  [[nodiscard]] const std::filesystem::path& Root() const { return root_; }
  [[nodiscard]] SetupPlatform Bundle();
  // The component catalog's file.
  [[nodiscard]] std::filesystem::path CatalogFile() const;

 private:
  void RegisterStoreProvider();

  std::filesystem::path root_;
  platform::host::SimulatedHost host_;
  std::shared_ptr<const platform::directory::DirectoryFile> directory_;
  platform::store::ServerFileDiscovery discovery_;
  platform::metabase::MetabaseFileBinder metabase_;
  std::unique_ptr<platform::store::PublicStore> store_;
  std::unique_ptr<platform::store::StoreSession> session_;
  platform::ado::ProviderRegistry providers_;
  std::unique_ptr<platform::complus::AdminCatalog> catalog_;
};

}  // namespace quarvel::setup
