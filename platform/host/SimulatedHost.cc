#include "platform/host/SimulatedHost.h"

#include <cstdlib>

#include "platform/PlatformError.h"
#include "platform/host/XdgOpen.h"

namespace quarvel::platform::host {
namespace {

std::string ComputerNameFromEnvironment() {
  const char* name = std::getenv("COMPUTERNAME");
  return name != nullptr ? name : "";
}

}  // namespace

std::string SimulatedHost::ComputerName() const {
  std::string name = ComputerNameFromEnvironment();
  return name.empty() ? LoadHostFacts(file_).computerName : name;
}

std::string SimulatedHost::LoggedOnUserName() const {
  auto user = LoadHostFacts(file_).userName;
  if (!user) {
    throw PlatformError(kErrFail, "the logged-on user name cannot be told (UserName is empty in " +
                                      file_.string() + ")");
  }
  return *user;
}

OsVersion SimulatedHost::WindowsVersion() const {
  const auto version = LoadHostFacts(file_).osVersion;
  if (!version) {
    throw PlatformError(kErrFail,
                        "the operating system's version cannot be read (Version is "
                        "empty in " +
                            file_.string() + ")");
  }
  return *version;
}

bool SimulatedHost::ClusterKeyExists() const { return LoadHostFacts(file_).cluster; }

WorkstationInfo SimulatedHost::QueryWorkstation(const std::string& serverName) const {
  try {
    const auto facts = LoadHostFacts(file_);
    std::string computerName = ComputerNameFromEnvironment();
    if (computerName.empty()) computerName = facts.computerName;
    return AnswerWorkstation(facts, computerName, serverName);
  } catch (const PlatformError&) {
    // The workstation call reports a status, never an exception.
    return {kNerrWkstaNotStarted, {}};
  }
}

void SimulatedHost::OpenWebAddress(const std::string& url) { OpenWithXdgOpen(url); }

}  // namespace quarvel::platform::host
