#include "platform/store/provider/FailingServerDiscovery.h"

#include <utility>

namespace quarvel::platform::store {
namespace {

// Each object passes its calls on to the inner discovery's object, counting
// every one with the discovery that made it.
class FailingExchangeServer : public IExchangeServer {
 public:
  FailingExchangeServer(FailingServerDiscovery& owner, std::unique_ptr<IExchangeServer> inner)
      : owner_(owner), inner_(std::move(inner)) {}
  void Open(const std::string& name) override {
    owner_.Count("ExchangeServer.Open");
    inner_->Open(name);
  }
  std::vector<std::string> StorageGroups() const override {
    owner_.Count("ExchangeServer.StorageGroups");
    return inner_->StorageGroups();
  }

 private:
  FailingServerDiscovery& owner_;
  std::unique_ptr<IExchangeServer> inner_;
};

class FailingStorageGroup : public IStorageGroup {
 public:
  FailingStorageGroup(FailingServerDiscovery& owner, std::unique_ptr<IStorageGroup> inner)
      : owner_(owner), inner_(std::move(inner)) {}
  void Open(const std::string& url) override {
    owner_.Count("StorageGroup.Open");
    inner_->Open(url);
  }
  std::vector<std::string> PublicStoreDBs() const override {
    owner_.Count("StorageGroup.PublicStoreDBs");
    return inner_->PublicStoreDBs();
  }

 private:
  FailingServerDiscovery& owner_;
  std::unique_ptr<IStorageGroup> inner_;
};

class FailingPublicStoreDB : public IPublicStoreDB {
 public:
  FailingPublicStoreDB(FailingServerDiscovery& owner, std::unique_ptr<IPublicStoreDB> inner)
      : owner_(owner), inner_(std::move(inner)) {}
  void Open(const std::string& url) override {
    owner_.Count("PublicStoreDB.Open");
    inner_->Open(url);
  }
  int Status() const override {
    owner_.Count("PublicStoreDB.Status");
    return inner_->Status();
  }
  std::string FolderTree() const override {
    owner_.Count("PublicStoreDB.FolderTree");
    return inner_->FolderTree();
  }

 private:
  FailingServerDiscovery& owner_;
  std::unique_ptr<IPublicStoreDB> inner_;
};

class FailingFolderTree : public IFolderTree {
 public:
  FailingFolderTree(FailingServerDiscovery& owner, std::unique_ptr<IFolderTree> inner)
      : owner_(owner), inner_(std::move(inner)) {}
  void Open(const std::string& url) override {
    owner_.Count("FolderTree.Open");
    inner_->Open(url);
  }
  int TreeType() const override {
    owner_.Count("FolderTree.TreeType");
    return inner_->TreeType();
  }
  std::string RootFolderURL() const override {
    owner_.Count("FolderTree.RootFolderURL");
    return inner_->RootFolderURL();
  }

 private:
  FailingServerDiscovery& owner_;
  std::unique_ptr<IFolderTree> inner_;
};

}  // namespace

FailingServerDiscovery::FailingServerDiscovery(ServerDiscovery& inner, int failingCall,
                                               std::int32_t number)
    : inner_(inner), failingCall_(failingCall), number_(number) {}

void FailingServerDiscovery::Count(const char* call) {
  if (++calls_ == failingCall_) {
    throw PlatformError(number_, std::string("simulated failure of ") + call + " (call " +
                                     std::to_string(calls_) + ")");
  }
}

std::unique_ptr<IExchangeServer> FailingServerDiscovery::CreateExchangeServer() {
  Count("CreateExchangeServer");
  return std::make_unique<FailingExchangeServer>(*this, inner_.CreateExchangeServer());
}

std::unique_ptr<IStorageGroup> FailingServerDiscovery::CreateStorageGroup() {
  Count("CreateStorageGroup");
  return std::make_unique<FailingStorageGroup>(*this, inner_.CreateStorageGroup());
}

std::unique_ptr<IPublicStoreDB> FailingServerDiscovery::CreatePublicStoreDB() {
  Count("CreatePublicStoreDB");
  return std::make_unique<FailingPublicStoreDB>(*this, inner_.CreatePublicStoreDB());
}

std::unique_ptr<IFolderTree> FailingServerDiscovery::CreateFolderTree() {
  Count("CreateFolderTree");
  return std::make_unique<FailingFolderTree>(*this, inner_.CreateFolderTree());
}

std::string FailingServerDiscovery::StoreGuidFromUrl(const std::string& url) {
  Count("StoreGuidFromUrl");
  return inner_.StoreGuidFromUrl(url);
}

}  // namespace quarvel::platform::store
