#include "platform/store/provider/ServerConfigDiscovery.h"

#include "platform/store/provider/ExchangeServer.h"
#include "platform/store/provider/FolderTree.h"
#include "platform/store/provider/PublicStoreDB.h"
#include "platform/store/provider/StorageGroup.h"
#include "platform/store/provider/StoreGuidFromUrl.h"

namespace quarvel::platform::store {

std::unique_ptr<IExchangeServer> ServerConfigDiscovery::CreateExchangeServer() {
  return std::make_unique<ExchangeServer>(config_);
}

std::unique_ptr<IStorageGroup> ServerConfigDiscovery::CreateStorageGroup() {
  return std::make_unique<StorageGroup>(config_);
}

std::unique_ptr<IPublicStoreDB> ServerConfigDiscovery::CreatePublicStoreDB() {
  return std::make_unique<PublicStoreDB>(config_);
}

std::unique_ptr<IFolderTree> ServerConfigDiscovery::CreateFolderTree() {
  return std::make_unique<FolderTree>(config_);
}

std::string ServerConfigDiscovery::StoreGuidFromUrl(const std::string& url) {
  return store::StoreGuidFromUrl(config_, url);
}

}  // namespace quarvel::platform::store
