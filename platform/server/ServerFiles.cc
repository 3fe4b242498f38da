#include "platform/server/ServerFiles.h"

#include <cstdlib>

#include "platform/directory/DirectoryFile.h"
#include "platform/host/HostFacts.h"
#include "platform/store/StoreDatabase.h"
#include "platform/store/provider/ServerFileDiscovery.h"

namespace quarvel::platform::server {

namespace fs = std::filesystem;

fs::path DefaultServerRoot() {
  const char* root = std::getenv("EXSIM_ROOT");
  return root != nullptr && *root != '\0' ? fs::path(root) : fs::current_path() / "exsim-server";
}

fs::path ServerFiles::ConfigFile() const { return root / store::kServerConfigFileName; }
fs::path ServerFiles::DatabaseFile() const { return root / store::kDatabaseFileName; }
fs::path ServerFiles::CatalogFile() const { return root / "complus" / "catalog.json"; }
fs::path ServerFiles::MetabaseFile() const { return root / "metabase.json"; }
fs::path ServerFiles::HostFile() const { return root / host::kHostFileName; }
fs::path ServerFiles::DirectoryFile() const { return root / directory::kDirectoryFileName; }
fs::path ServerFiles::PickupDirectory() const { return root / "pickup"; }

}  // namespace quarvel::platform::server
