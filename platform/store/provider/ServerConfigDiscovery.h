// Server discovery over a ServerConfig held in memory: the management
// objects ExchangeServer, StorageGroup, PublicStoreDB and FolderTree read
// it, and StoreGuidFromUrl answers from it. Tests set up any server shape
// through Config(); a change shows in objects opened afterwards.
//
// Objects made by it read its configuration and must not outlive it. One
// thread at a time.
#pragma once

#include <memory>
#include <string>

#include "platform/store/provider/ServerConfig.h"
#include "platform/store/provider/ServerDiscovery.h"

namespace quarvel::platform::store {

class ServerConfigDiscovery : public ServerDiscovery {
 public:
  explicit ServerConfigDiscovery(ServerConfig config) : config_(std::move(config)) {}

  [[nodiscard]] ServerConfig& Config() { return config_; }
  [[nodiscard]] const ServerConfig& Config() const { return config_; }

  [[nodiscard]] std::unique_ptr<IExchangeServer> CreateExchangeServer() override;
  [[nodiscard]] std::unique_ptr<IStorageGroup> CreateStorageGroup() override;
  [[nodiscard]] std::unique_ptr<IPublicStoreDB> CreatePublicStoreDB() override;
  [[nodiscard]] std::unique_ptr<IFolderTree> CreateFolderTree() override;
  [[nodiscard]] std::string StoreGuidFromUrl(const std::string& url) override;

 private:
  ServerConfig config_;
};

}  // namespace quarvel::platform::store
