// The management layer's folder tree object ("CDOEXM.FolderTree"), read from
// a ServerConfig, which must outlive it.
//
// Open(url) binds it to the configured tree of that URL (ignoring ASCII
// case); an unknown URL fails with kErrNotFound. Before Open, reading fails
// with ado::kErrObjectClosed.
#pragma once

#include <string>

#include "platform/store/provider/ManagementObjects.h"
#include "platform/store/provider/ServerConfig.h"

namespace quarvel::platform::store {

class FolderTree : public IFolderTree {
 public:
  explicit FolderTree(const ServerConfig& config) : config_(config) {}

  void Open(const std::string& url) override;
  [[nodiscard]] std::string Name() const;
  // kTreeMapi (1) for the public folder tree mail clients see.
  [[nodiscard]] int TreeType() const override;
  [[nodiscard]] std::string RootFolderURL() const override;

 private:
  const FolderTreeConfig& Tree() const;

  const ServerConfig& config_;
  const FolderTreeConfig* tree_ = nullptr;
};

}  // namespace quarvel::platform::store
