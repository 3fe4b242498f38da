#include "platform/store/provider/ServerFileDiscovery.h"

#include "platform/store/provider/ExchangeServer.h"
#include "platform/store/provider/FolderTree.h"
#include "platform/store/provider/PublicStoreDB.h"
#include "platform/store/provider/StorageGroup.h"
#include "platform/store/provider/StoreGuidFromUrl.h"

namespace quarvel::platform::store {

const ServerConfig& ServerFileDiscovery::Loaded() {
  if (!loaded_) loaded_.emplace(ServerConfig::Load(file_));
  return *loaded_;
}

std::unique_ptr<IExchangeServer> ServerFileDiscovery::CreateExchangeServer() {
  return std::make_unique<ExchangeServer>(Loaded());
}

std::unique_ptr<IStorageGroup> ServerFileDiscovery::CreateStorageGroup() {
  return std::make_unique<StorageGroup>(Loaded());
}

std::unique_ptr<IPublicStoreDB> ServerFileDiscovery::CreatePublicStoreDB() {
  return std::make_unique<PublicStoreDB>(Loaded());
}

std::unique_ptr<IFolderTree> ServerFileDiscovery::CreateFolderTree() {
  return std::make_unique<FolderTree>(Loaded());
}

std::string ServerFileDiscovery::StoreGuidFromUrl(const std::string& url) {
  return store::StoreGuidFromUrl(Loaded(), url);
}

}  // namespace quarvel::platform::store
