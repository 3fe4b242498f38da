// The management layer's server object ("CDOEXM.ExchangeServer"), read from a
// ServerConfig, which must outlive it.
//
// Open(name) binds it to the configured server when `name` is its computer
// name (ignoring ASCII case); any other name fails with kErrNotFound. Before
// Open, reading fails with ado::kErrObjectClosed. Thread-safe to read once
// open; Open is for one thread.
#pragma once

#include <string>
#include <vector>

#include "platform/store/provider/ManagementObjects.h"
#include "platform/store/provider/ServerConfig.h"

namespace quarvel::platform::store {

class ExchangeServer : public IExchangeServer {
 public:
  explicit ExchangeServer(const ServerConfig& config) : config_(config) {}

  void Open(const std::string& name) override;
  [[nodiscard]] std::string Name() const;
  // The storage groups' URLs, in the configured order.
  [[nodiscard]] std::vector<std::string> StorageGroups() const override;

 private:
  const ServerConfig& config_;
  bool open_ = false;
};

}  // namespace quarvel::platform::store
