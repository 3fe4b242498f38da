// Server discovery of the stand-in server: its server.json (ServerConfig.h),
// read at the first call that needs it and kept from then on.
//
// While the file cannot be read, every call throws what ServerConfig::Load
// throws (kErrNotFound for a missing file, kErrFail for a malformed one,
// naming the file) and the next call tries again; so a server without its
// file looks like a server whose management layer cannot be reached. Objects
// made by it must not outlive it. One thread at a time.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/store/provider/ServerConfig.h"
#include "platform/store/provider/ServerDiscovery.h"

namespace quarvel::platform::store {

inline constexpr const char* kServerConfigFileName = "server.json";

class ServerFileDiscovery : public ServerDiscovery {
 public:
  explicit ServerFileDiscovery(std::filesystem::path file) : file_(std::move(file)) {}

  [[nodiscard]] const std::filesystem::path& File() const { return file_; }

  [[nodiscard]] std::unique_ptr<IExchangeServer> CreateExchangeServer() override;
  [[nodiscard]] std::unique_ptr<IStorageGroup> CreateStorageGroup() override;
  [[nodiscard]] std::unique_ptr<IPublicStoreDB> CreatePublicStoreDB() override;
  [[nodiscard]] std::unique_ptr<IFolderTree> CreateFolderTree() override;
  [[nodiscard]] std::string StoreGuidFromUrl(const std::string& url) override;

 private:
  const ServerConfig& Loaded();

  std::filesystem::path file_;
  std::optional<ServerConfig> loaded_;
};

}  // namespace quarvel::platform::store
