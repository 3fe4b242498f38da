// How a program finds the server's public store: it makes the management
// objects (ManagementObjects.h), walks them, and asks the store provider
// which store holds a URL (its StoreGuidFromUrl).
//
// Implementations: ServerConfigDiscovery (a ServerConfig held in memory, for tests),
// ServerFileDiscovery (the stand-in server's server.json) and
// FailingServerDiscovery (a wrapper that fails a chosen call). Failures are
// PlatformError. Used by one thread at a time; the objects made must not
// outlive the discovery.
#pragma once

#include <memory>
#include <string>

#include "platform/store/provider/ManagementObjects.h"

namespace quarvel::platform::store {

class ServerDiscovery {
 public:
  virtual ~ServerDiscovery() = default;

  // New, closed objects.
  [[nodiscard]] virtual std::unique_ptr<IExchangeServer> CreateExchangeServer() = 0;
  [[nodiscard]] virtual std::unique_ptr<IStorageGroup> CreateStorageGroup() = 0;
  [[nodiscard]] virtual std::unique_ptr<IPublicStoreDB> CreatePublicStoreDB() = 0;
  [[nodiscard]] virtual std::unique_ptr<IFolderTree> CreateFolderTree() = 0;

  // The GUID text of the public store holding `url` (StoreGuidFromUrl.h).
  // Throws PlatformError(kErrNotFound) when no store holds it.
  [[nodiscard]] virtual std::string StoreGuidFromUrl(const std::string& url) = 0;
};

}  // namespace quarvel::platform::store
