#include "platform/store/provider/StorageGroup.h"

#include "platform/store/provider/ConfigLookup.h"

namespace quarvel::platform::store {

void StorageGroup::Open(const std::string& url) {
  group_ = &FindByUrl(config_.storageGroups, url, "storage group");
}

std::string StorageGroup::Name() const { return Group().name; }

std::vector<std::string> StorageGroup::PublicStoreDBs() const { return Group().publicStores; }

const StorageGroupConfig& StorageGroup::Group() const {
  return RequireOpened(group_, "StorageGroup");
}

}  // namespace quarvel::platform::store
