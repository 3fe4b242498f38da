// The machine the setup program runs on, as the program asks it: its
// computer name, the logged-on user, the operating system's version, whether
// it is a cluster node, the LAN group (domain) a workstation belongs to, and
// opening a web address in the user's browser.
//
// Implementations: SimulatedHost (the stand-in server's host facts file),
// InMemoryHost (for tests) and FailingHost (a wrapper that fails a chosen
// call). Failures are PlatformError, except QueryWorkstation, which answers a
// status as the platform's workstation call does. Used by one thread at a
// time (the window's).
#pragma once

#include <cstdint>
#include <string>

namespace quarvel::platform::host {

// What the operating system reports about itself (platform 2 is the NT
// family; 5.0 is Windows 2000, 5.2 Windows Server 2003).
struct OsVersion {
  std::uint32_t platformId = 0;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  bool operator==(const OsVersion&) const = default;
};

// Workstation statuses the setup program may see.
inline constexpr std::uint32_t kNerrSuccess = 0;
inline constexpr std::uint32_t kErrorBadNetPath = 53;        // no such computer
inline constexpr std::uint32_t kNerrWkstaNotStarted = 2138;  // the service cannot answer

// The answer about one workstation: on kNerrSuccess, its LAN group.
struct WorkstationInfo {
  std::uint32_t status = kNerrSuccess;
  std::string lanGroup;
  bool operator==(const WorkstationInfo&) const = default;
};

class HostSystem {
 public:
  virtual ~HostSystem() = default;

  // The computer's name (what the environment variable COMPUTERNAME says).
  [[nodiscard]] virtual std::string ComputerName() const = 0;
  // The user the program runs as. Throws PlatformError when it cannot be told.
  [[nodiscard]] virtual std::string LoggedOnUserName() const = 0;
  // Throws PlatformError when the version cannot be read.
  [[nodiscard]] virtual OsVersion WindowsVersion() const = 0;
  // Whether the registry key HKEY_LOCAL_MACHINE\Cluster exists.
  [[nodiscard]] virtual bool ClusterKeyExists() const = 0;
  // The LAN group of the workstation `serverName` ("\\NAME" or "NAME"; empty
  // for this computer). Only this computer answers; any other name gets
  // kErrorBadNetPath. Never throws.
  [[nodiscard]] virtual WorkstationInfo QueryWorkstation(const std::string& serverName) const = 0;
  // Opens `url` in the user's browser and returns without waiting for it.
  // Throws PlatformError when it cannot.
  virtual void OpenWebAddress(const std::string& url) = 0;
};

}  // namespace quarvel::platform::host
