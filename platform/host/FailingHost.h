// A host that fails one chosen call and passes every other call on to another
// host, so that a caller's handling of each failure can be tested. Every
// call counts, whatever it is. The failing call throws PlatformError, except
// QueryWorkstation, which answers kNerrWkstaNotStarted as the platform's
// workstation call reports a failure. One thread at a time.
#pragma once

#include <cstdint>

#include "platform/PlatformError.h"
#include "platform/host/HostSystem.h"

namespace quarvel::platform::host {

class FailingHost : public HostSystem {
 public:
  // Call number `failingCall` (counted from 1) fails with `number` and the
  // description "simulated failure of <call> (call N)"; `inner` must
  // outlive this object.
  FailingHost(HostSystem& inner, int failingCall, std::int32_t number = kErrFail);

  [[nodiscard]] int Calls() const { return calls_; }

  [[nodiscard]] std::string ComputerName() const override;
  [[nodiscard]] std::string LoggedOnUserName() const override;
  [[nodiscard]] OsVersion WindowsVersion() const override;
  [[nodiscard]] bool ClusterKeyExists() const override;
  [[nodiscard]] WorkstationInfo QueryWorkstation(const std::string& serverName) const override;
  void OpenWebAddress(const std::string& url) override;

 private:
  // Whether this call is the one to fail.
  [[nodiscard]] bool Fails() const { return ++calls_ == failingCall_; }
  [[noreturn]] void Throw(const char* call) const;

  HostSystem& inner_;
  int failingCall_;
  std::int32_t number_;
  mutable int calls_ = 0;
};

}  // namespace quarvel::platform::host
