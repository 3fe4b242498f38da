// The facts a host answers with, and the stand-in server's file that keeps
// them, EXSIM_ROOT/host.ini, a file a person edits to try other situations
// (Windows 2000 mode with 5.0, service mode with 5.2, a cluster node):
//
//   [Host]
//   ComputerName=MAIL01
//   LanGroup=EXAMPLE
//   UserName=Administrator      (empty: the user name cannot be told)
//   Platform=2                  (2 when absent)
//   Version=5.2                 (major.minor; empty: the version cannot be read)
//   Cluster=no                  (yes/no, true/false, 1/0; no when absent)
//
// Names ignore case; ";" starts a comment line. ComputerName is required.
// An unknown or repeated key, a missing [Host] section or a malformed value
// is an error naming the file and the key, so a misspelt key never silently
// becomes a default.
//
// Load throws PlatformError: kErrNotFound when the file does not exist,
// kErrFail when it cannot be read or is malformed. Save throws
// kErrInvalidArgument for a value that would not read back the same (a line
// break, blanks at either end, an empty computer name) and kErrFail when the
// file cannot be written; it replaces the file at once (temporary file, then
// rename). Pure apart from the file; thread-safe.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/host/HostSystem.h"

namespace quarvel::platform::host {

inline constexpr const char* kHostFileName = "host.ini";

struct HostFacts {
  std::string computerName;
  std::string lanGroup;
  std::optional<std::string> userName;  // nothing: the lookup fails
  std::optional<OsVersion> osVersion;   // nothing: the lookup fails
  bool cluster = false;
  bool operator==(const HostFacts&) const = default;
};

[[nodiscard]] HostFacts LoadHostFacts(const std::filesystem::path& file);
void SaveHostFacts(const std::filesystem::path& file, const HostFacts& facts);

// The sample server's host: MAIL01 in the LAN group EXAMPLE, run by
// Administrator, on Windows Server 2003 (2, 5.2), no cluster.
[[nodiscard]] HostFacts SampleHostFacts();

// Writes the sample host's facts to <serverRoot>/host.ini, as Save does.
void WriteSampleHostFile(const std::filesystem::path& serverRoot);

// How a workstation named `serverName` is answered on a computer named
// `computerName` with these facts (see HostSystem::QueryWorkstation).
[[nodiscard]] WorkstationInfo AnswerWorkstation(const HostFacts& facts,
                                                std::string_view computerName,
                                                std::string_view serverName);

}  // namespace quarvel::platform::host
