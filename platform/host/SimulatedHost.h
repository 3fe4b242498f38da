// The stand-in server's host: the facts of its host facts file (HostFacts.h),
// read afresh at every call so that an edit shows at once, and web addresses
// opened with xdg-open (XdgOpen.h).
//
// ComputerName answers the environment variable COMPUTERNAME when it is set
// and not empty, as the platform's own programs read it; otherwise the file's
// ComputerName. Every call that needs the file throws PlatformError when it
// is missing or malformed (HostFacts.h), except QueryWorkstation, which then
// answers kNerrWkstaNotStarted. Calls the file says fail throw
// PlatformError(kErrFail). One thread at a time.
#pragma once

#include <filesystem>

#include "platform/host/HostFacts.h"
#include "platform/host/HostSystem.h"

namespace quarvel::platform::host {

class SimulatedHost : public HostSystem {
 public:
  explicit SimulatedHost(std::filesystem::path file) : file_(std::move(file)) {}

  [[nodiscard]] const std::filesystem::path& File() const { return file_; }

  [[nodiscard]] std::string ComputerName() const override;
  [[nodiscard]] std::string LoggedOnUserName() const override;
  [[nodiscard]] OsVersion WindowsVersion() const override;
  [[nodiscard]] bool ClusterKeyExists() const override;
  [[nodiscard]] WorkstationInfo QueryWorkstation(const std::string& serverName) const override;
  void OpenWebAddress(const std::string& url) override;

 private:
  std::filesystem::path file_;
};

}  // namespace quarvel::platform::host
