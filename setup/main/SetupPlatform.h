// The platform the setup program stands on, one interface per facility it
// uses: the host it runs on, the directory (for binding GC://RootDSE), the
// data layer's providers (the store's "ExOLEDB.DataSource" and the
// directory's "adsDSOobject", for the program's two connections) and the
// server's discovery objects, the component catalog, and the metabase (for
// the SMTP virtual servers' pickup directories).
//
// A bundle of references: whoever builds it (the stand-in server's
// ServerPlatform, a test's platform) owns the facilities and keeps them alive
// for as long as the program that uses the bundle.
#pragma once

#include "platform/ado/ProviderRegistry.h"
#include "platform/complus/AdminCatalog.h"
#include "platform/directory/DirectoryService.h"
#include "platform/host/HostSystem.h"
#include "platform/metabase/MetabaseBinder.h"
#include "platform/store/provider/ServerDiscovery.h"

namespace quarvel::setup {

struct SetupPlatform {
  platform::host::HostSystem& host;
  const platform::directory::DirectoryService& directory;
  const platform::ado::ProviderRegistry& providers;
  platform::store::ServerDiscovery& discovery;
  platform::complus::AdminCatalog& catalog;
  const platform::metabase::MetabaseBinder& metabase;
};

}  // namespace quarvel::setup
