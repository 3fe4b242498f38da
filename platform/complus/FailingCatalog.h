// A component catalog that fails one chosen call and passes every other call
// on to another catalog, so that a setup program's handling of each failure
// can be tested. Every call counts, whatever it is: the catalog's own, and
// those of the collections and objects it hands out (which wrap the inner
// ones). The failing call throws PlatformError with the description
// "simulated failure of <call> (call N)" and does not reach the inner
// catalog. One thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/PlatformError.h"
#include "platform/complus/AdminCatalog.h"

namespace quarvel::platform::complus {

class FailingCatalog : public AdminCatalog {
 public:
  // Call number `failingCall` (counted from 1; 0 for none) fails with
  // `number`. `inner` must outlive this object and what it hands out.
  explicit FailingCatalog(AdminCatalog& inner, int failingCall = 0, std::int32_t number = kErrFail);
  ~FailingCatalog() override;

  // Starts counting again from 0, with call `failingCall` failing (0: none).
  void FailCall(int failingCall);
  [[nodiscard]] int Calls() const;
  // The name of the call that failed last, or "" when none has.
  [[nodiscard]] std::string FailedCall() const;

  [[nodiscard]] std::unique_ptr<AdminCatalogCollection> GetCollection(
      std::string_view name, std::string_view key) override;
  void InstallComponent(std::string_view applicationName, const std::filesystem::path& moduleFile,
                        std::string_view typeLib, std::string_view proxyStub) override;
  [[nodiscard]] std::vector<ComponentProblem> RefreshComponents() override;
  void ShutdownApplication(std::string_view applicationName) override;
  void StartApplication(std::string_view applicationName) override;
  void CreateServiceForApplication(std::string_view applicationName, std::string_view serviceName,
                                   std::string_view startType, std::string_view errorControl,
                                   std::string_view dependencies, std::string_view runAs,
                                   std::string_view password, bool desktopOk) override;

  // The count shared by the catalog and everything it hands out.
  struct Counter {
    int failingCall = 0;
    std::int32_t number = kErrFail;
    int calls = 0;
    std::string failedCall;
    // Counts one call named `call`; throws when it is the one to fail.
    void Count(const char* call);
  };

 private:
  AdminCatalog& inner_;
  std::shared_ptr<Counter> counter_;
};

}  // namespace quarvel::platform::complus
