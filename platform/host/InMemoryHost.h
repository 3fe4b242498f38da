// A host whose facts a test sets directly, and which notes the web addresses
// it was asked to open instead of opening them. The environment is never
// read: ComputerName is the facts' computer name. A missing user name or
// version makes that call throw PlatformError(kErrFail); `refuseWebAddresses`
// makes OpenWebAddress throw PlatformError(kErrNotFound), as a desktop
// without a browser would. One thread at a time.
#pragma once

#include <string>
#include <vector>

#include "platform/host/HostFacts.h"
#include "platform/host/HostSystem.h"

namespace quarvel::platform::host {

class InMemoryHost : public HostSystem {
 public:
  explicit InMemoryHost(HostFacts facts = SampleHostFacts()) : facts_(std::move(facts)) {}

  [[nodiscard]] HostFacts& Facts() { return facts_; }
  [[nodiscard]] const std::vector<std::string>& OpenedWebAddresses() const { return opened_; }
  void SetRefuseWebAddresses(bool refuse) { refuseWebAddresses_ = refuse; }

  [[nodiscard]] std::string ComputerName() const override { return facts_.computerName; }
  [[nodiscard]] std::string LoggedOnUserName() const override;
  [[nodiscard]] OsVersion WindowsVersion() const override;
  [[nodiscard]] bool ClusterKeyExists() const override { return facts_.cluster; }
  [[nodiscard]] WorkstationInfo QueryWorkstation(const std::string& serverName) const override {
    return AnswerWorkstation(facts_, facts_.computerName, serverName);
  }
  void OpenWebAddress(const std::string& url) override;

 private:
  HostFacts facts_;
  std::vector<std::string> opened_;
  bool refuseWebAddresses_ = false;
};

}  // namespace quarvel::platform::host
