// One simulated server, opened from its directory (EXSIM_ROOT): the public
// store with its events, the component catalog and host that create sinks,
// the event journal and the metabase. Everything lives below the root, where
// ServerFiles says.
//
// Opening does not create anything; CreateSampleServer does. Thread-safe
// after construction: deliveries may run on several threads.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/complus/ComponentCatalog.h"
#include "platform/complus/ComponentHost.h"
#include "platform/metabase/Metabase.h"
#include "platform/server/ServerFiles.h"
#include "platform/store/PublicStore.h"
#include "platform/store/events/EventJournal.h"
#include "platform/store/events/StoreEvents.h"
#include "platform/store/provider/ServerConfig.h"
#include "platform/store/provider/StoreSession.h"

namespace quarvel::platform::server {

class SimulatedServer {
 public:
  // $EXSIM_ROOT, or "exsim-server" in the working directory.
  [[nodiscard]] static std::filesystem::path DefaultRoot();

  // Throws PlatformError(kErrNotFound) when no server was created there, and
  // kErrFail for a server whose store is still kept in the old layout of
  // plain files (a store/ directory).
  explicit SimulatedServer(std::filesystem::path root);
  ~SimulatedServer();

  [[nodiscard]] const std::filesystem::path& Root() const { return root_; }
  [[nodiscard]] std::filesystem::path PickupDirectory() const {
    return ServerFiles{root_}.PickupDirectory();
  }
  // The SMTP virtual servers, read afresh (a person may have edited them).
  // Throws PlatformError for a metabase file that cannot be read.
  [[nodiscard]] platform::metabase::Metabase ReadMetabase() const {
    return platform::metabase::Metabase(ServerFiles{root_}.MetabaseFile());
  }
  [[nodiscard]] const platform::store::ServerConfig& Config() const { return config_; }
  [[nodiscard]] platform::store::PublicStore& Store() { return *store_; }
  [[nodiscard]] platform::store::StoreSession& Session() { return *session_; }
  [[nodiscard]] platform::complus::ComponentCatalog& Catalog() { return *catalog_; }
  [[nodiscard]] platform::store::EventJournal& Journal() { return *journal_; }
  [[nodiscard]] platform::store::StoreEvents& Events() { return *events_; }

  // A folder named by a URL of either form, a path such as "Sales/Leads", or
  // the folder's e-mail address. Throws PlatformError(kErrNotFound).
  [[nodiscard]] platform::store::StorePath ResolveFolder(const std::string& name) const;
  // The same, for a folder that mail may be delivered or moved into: a real
  // public folder below the root, never the root itself or the store's own
  // hidden folders (non_ipm_subtree). Throws PlatformError(kErrAccessDenied).
  [[nodiscard]] platform::store::StorePath ResolveDeliveryFolder(const std::string& name) const;
  // An item named by URL or path.
  [[nodiscard]] platform::store::StorePath ResolveItem(const std::string& name) const;

  // The URLs the setup program and the sink see for a path.
  [[nodiscard]] std::string HttpUrl(const platform::store::StorePath& path) const;
  [[nodiscard]] std::string FileUrl(const platform::store::StorePath& path) const;

 private:
  class HostSinks;

  std::filesystem::path root_;
  platform::store::ServerConfig config_;
  std::unique_ptr<platform::store::PublicStore> store_;
  std::unique_ptr<platform::store::StoreSession> session_;
  std::unique_ptr<platform::complus::ComponentCatalog> catalog_;
  std::unique_ptr<platform::complus::ComponentHost> host_;
  std::unique_ptr<HostSinks> sinks_;
  std::unique_ptr<platform::store::EventJournal> journal_;
  std::unique_ptr<platform::store::StoreEvents> events_;
};

}  // namespace quarvel::platform::server
