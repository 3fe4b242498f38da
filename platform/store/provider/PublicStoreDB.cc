#include "platform/store/provider/PublicStoreDB.h"

#include "platform/store/provider/ConfigLookup.h"

namespace quarvel::platform::store {

void PublicStoreDB::Open(const std::string& url) {
  store_ = &FindByUrl(config_.publicStores, url, "public store");
}

std::string PublicStoreDB::Name() const { return Store().name; }
int PublicStoreDB::Status() const { return Store().status; }
std::string PublicStoreDB::FolderTree() const { return Store().folderTree; }
std::string PublicStoreDB::Guid() const { return Store().guid; }

const PublicStoreConfig& PublicStoreDB::Store() const {
  return RequireOpened(store_, "PublicStoreDB");
}

}  // namespace quarvel::platform::store
