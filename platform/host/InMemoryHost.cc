#include "platform/host/InMemoryHost.h"

#include "platform/PlatformError.h"

namespace quarvel::platform::host {

std::string InMemoryHost::LoggedOnUserName() const {
  if (!facts_.userName) throw PlatformError(kErrFail, "the logged-on user name cannot be told");
  return *facts_.userName;
}

OsVersion InMemoryHost::WindowsVersion() const {
  if (!facts_.osVersion) {
    throw PlatformError(kErrFail, "the operating system's version cannot be read");
  }
  return *facts_.osVersion;
}

void InMemoryHost::OpenWebAddress(const std::string& url) {
  if (refuseWebAddresses_) throw PlatformError(kErrNotFound, "no browser to open " + url);
  opened_.push_back(url);
}

}  // namespace quarvel::platform::host
