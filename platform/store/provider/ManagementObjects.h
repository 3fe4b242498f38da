// The server's management objects as a program walks them to find the public
// store: the server ("CDOEXM.ExchangeServer"), its storage groups
// ("CDOEXM.StorageGroup"), their public stores ("CDOEXM.PublicStoreDB") and
// the stores' folder trees ("CDOEXM.FolderTree"). Each is made closed by a
// ServerDiscovery, opened once by a name or URL, then read.
//
// Open throws PlatformError(kErrNotFound) for a name or URL the server does
// not have; reading before Open throws ado::kErrObjectClosed. An object is
// used by one thread at a time and must not outlive the discovery that made
// it.
#pragma once

#include <string>
#include <vector>

namespace quarvel::platform::store {

class IExchangeServer {
 public:
  virtual ~IExchangeServer() = default;
  // Binds to the server of that computer name.
  virtual void Open(const std::string& name) = 0;
  // The storage groups' URLs, in the server's order.
  [[nodiscard]] virtual std::vector<std::string> StorageGroups() const = 0;
};

class IStorageGroup {
 public:
  virtual ~IStorageGroup() = default;
  virtual void Open(const std::string& url) = 0;
  // The group's public stores' URLs, in the group's order.
  [[nodiscard]] virtual std::vector<std::string> PublicStoreDBs() const = 0;
};

class IPublicStoreDB {
 public:
  virtual ~IPublicStoreDB() = default;
  virtual void Open(const std::string& url) = 0;
  // kStoreMounted (0) or kStoreDismounted (1).
  [[nodiscard]] virtual int Status() const = 0;
  // The URL of the folder tree the store holds.
  [[nodiscard]] virtual std::string FolderTree() const = 0;
};

class IFolderTree {
 public:
  virtual ~IFolderTree() = default;
  virtual void Open(const std::string& url) = 0;
  // kTreeMapi (1) for the public folder tree mail clients see.
  [[nodiscard]] virtual int TreeType() const = 0;
  [[nodiscard]] virtual std::string RootFolderURL() const = 0;
};

}  // namespace quarvel::platform::store
