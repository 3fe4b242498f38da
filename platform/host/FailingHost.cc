#include "platform/host/FailingHost.h"

#include <string>

namespace quarvel::platform::host {

FailingHost::FailingHost(HostSystem& inner, int failingCall, std::int32_t number)
    : inner_(inner), failingCall_(failingCall), number_(number) {}

void FailingHost::Throw(const char* call) const {
  throw PlatformError(number_, std::string("simulated failure of ") + call + " (call " +
                                   std::to_string(calls_) + ")");
}

std::string FailingHost::ComputerName() const {
  if (Fails()) Throw("ComputerName");
  return inner_.ComputerName();
}

std::string FailingHost::LoggedOnUserName() const {
  if (Fails()) Throw("LoggedOnUserName");
  return inner_.LoggedOnUserName();
}

OsVersion FailingHost::WindowsVersion() const {
  if (Fails()) Throw("WindowsVersion");
  return inner_.WindowsVersion();
}

bool FailingHost::ClusterKeyExists() const {
  if (Fails()) Throw("ClusterKeyExists");
  return inner_.ClusterKeyExists();
}

WorkstationInfo FailingHost::QueryWorkstation(const std::string& serverName) const {
  if (Fails()) return {kNerrWkstaNotStarted, {}};
  return inner_.QueryWorkstation(serverName);
}

void FailingHost::OpenWebAddress(const std::string& url) {
  if (Fails()) Throw("OpenWebAddress");
  inner_.OpenWebAddress(url);
}

}  // namespace quarvel::platform::host
