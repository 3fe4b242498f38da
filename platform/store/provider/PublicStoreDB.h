// The management layer's public store object ("CDOEXM.PublicStoreDB"), read
// from a ServerConfig, which must outlive it.
//
// Open(url) binds it to the configured store of that URL (ignoring ASCII
// case); an unknown URL fails with kErrNotFound. Before Open, reading fails
// with ado::kErrObjectClosed.
#pragma once

#include <string>

#include "platform/store/provider/ManagementObjects.h"
#include "platform/store/provider/ServerConfig.h"

namespace quarvel::platform::store {

class PublicStoreDB : public IPublicStoreDB {
 public:
  explicit PublicStoreDB(const ServerConfig& config) : config_(config) {}

  void Open(const std::string& url) override;
  [[nodiscard]] std::string Name() const;
  // kStoreMounted (0) or kStoreDismounted (1).
  [[nodiscard]] int Status() const override;
  // The URL of the folder tree the store holds.
  [[nodiscard]] std::string FolderTree() const override;
  [[nodiscard]] std::string Guid() const;

 private:
  const PublicStoreConfig& Store() const;

  const ServerConfig& config_;
  const PublicStoreConfig* store_ = nullptr;
};

}  // namespace quarvel::platform::store
