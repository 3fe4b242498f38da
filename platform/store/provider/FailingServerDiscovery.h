// Server discovery that fails one chosen call and passes every other call on
// to another discovery, so that a caller's handling of each failure can be
// tested. Every call counts, whatever it is: making an object, opening it,
// each read of an object it made, and StoreGuidFromUrl.
//
// The inner discovery must outlive this one, and this one the objects it
// made. One thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/PlatformError.h"
#include "platform/store/provider/ServerDiscovery.h"

namespace quarvel::platform::store {

class FailingServerDiscovery : public ServerDiscovery {
 public:
  // Call number `failingCall` (counted from 1) throws PlatformError(`number`,
  // "simulated failure of <call> (call N)").
  FailingServerDiscovery(ServerDiscovery& inner, int failingCall, std::int32_t number = kErrFail);

  [[nodiscard]] int Calls() const { return calls_; }

  [[nodiscard]] std::unique_ptr<IExchangeServer> CreateExchangeServer() override;
  [[nodiscard]] std::unique_ptr<IStorageGroup> CreateStorageGroup() override;
  [[nodiscard]] std::unique_ptr<IPublicStoreDB> CreatePublicStoreDB() override;
  [[nodiscard]] std::unique_ptr<IFolderTree> CreateFolderTree() override;
  [[nodiscard]] std::string StoreGuidFromUrl(const std::string& url) override;

  // Counts one call named `call`; throws when it is the one to fail. The
  // objects made here call it before each of their own calls.
  void Count(const char* call);

 private:
  ServerDiscovery& inner_;
  int failingCall_;
  std::int32_t number_;
  int calls_ = 0;
};

}  // namespace quarvel::platform::store
