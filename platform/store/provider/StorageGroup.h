// The management layer's storage group object ("CDOEXM.StorageGroup"), read
// from a ServerConfig, which must outlive it.
//
// Open(url) binds it to the configured group of that URL (ignoring ASCII
// case); an unknown URL fails with kErrNotFound. Before Open, reading fails
// with ado::kErrObjectClosed.
#pragma once

#include <string>
#include <vector>

#include "platform/store/provider/ManagementObjects.h"
#include "platform/store/provider/ServerConfig.h"

namespace quarvel::platform::store {

class StorageGroup : public IStorageGroup {
 public:
  explicit StorageGroup(const ServerConfig& config) : config_(config) {}

  void Open(const std::string& url) override;
  [[nodiscard]] std::string Name() const;
  // The group's public stores' URLs, in the configured order.
  [[nodiscard]] std::vector<std::string> PublicStoreDBs() const override;

 private:
  const StorageGroupConfig& Group() const;

  const ServerConfig& config_;
  const StorageGroupConfig* group_ = nullptr;
};

}  // namespace quarvel::platform::store
