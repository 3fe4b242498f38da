#include "platform/store/provider/ServerFileDiscovery.h"

namespace quarvel::platform::store {

ServerConfigDiscovery& ServerFileDiscovery::Loaded() {
  if (!loaded_) loaded_.emplace(ServerConfig::Load(file_));
  return *loaded_;
}

std::unique_ptr<IExchangeServer> ServerFileDiscovery::CreateExchangeServer() {
  return Loaded().CreateExchangeServer();
}

std::unique_ptr<IStorageGroup> ServerFileDiscovery::CreateStorageGroup() {
  return Loaded().CreateStorageGroup();
}

std::unique_ptr<IPublicStoreDB> ServerFileDiscovery::CreatePublicStoreDB() {
  return Loaded().CreatePublicStoreDB();
}

std::unique_ptr<IFolderTree> ServerFileDiscovery::CreateFolderTree() {
  return Loaded().CreateFolderTree();
}

std::string ServerFileDiscovery::StoreGuidFromUrl(const std::string& url) {
  return Loaded().StoreGuidFromUrl(url);
}

}  // namespace quarvel::platform::store
