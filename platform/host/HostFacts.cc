#include "platform/host/HostFacts.h"

#include <array>
#include <charconv>
#include <fstream>
#include <iterator>
#include <system_error>

#include "common/FileWriter.h"
#include "common/Text.h"
#include "common/basIniFile.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::host {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSection = "Host";
constexpr std::array<std::string_view, 6> kKeys = {"ComputerName", "LanGroup", "UserName",
                                                   "Platform",     "Version",  "Cluster"};

[[noreturn]] void Malformed(const fs::path& file, const std::string& why) {
  throw PlatformError(kErrFail, "host facts " + file.string() + ": " + why);
}

std::optional<std::uint32_t> Number(std::string_view text) {
  std::uint32_t value = 0;
  const auto* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<bool> YesNo(std::string_view text) {
  for (const std::string_view yes : {"yes", "true", "1"}) {
    if (text::EqualsIgnoreCase(text, yes)) return true;
  }
  for (const std::string_view no : {"no", "false", "0", ""}) {
    if (text::EqualsIgnoreCase(text, no)) return false;
  }
  return std::nullopt;
}

// The text of the file, comments and all, for a person to edit.
std::string Render(const HostFacts& facts) {
  const auto version = facts.osVersion;
  return std::string(
             "; Host facts of the simulated server: what the setup program learns about the\n"
             "; machine it runs on. Edit them to try other situations.\n"
             "[Host]\n"
             "; The computer's name (the COMPUTERNAME environment variable, when set, wins).\n"
             "ComputerName=") +
         facts.computerName +
         "\n"
         "; The LAN group (domain) this workstation belongs to.\n"
         "LanGroup=" +
         facts.lanGroup +
         "\n"
         "; The logged-on user; leave it empty to make the user-name lookup fail.\n"
         "UserName=" +
         facts.userName.value_or("") +
         "\n"
         "; The operating system: platform 2 is the NT family. Version 5.0 is Windows\n"
         "; 2000 (the COM+ application then runs under an identity), 5.2 Windows\n"
         "; Server 2003 (it runs as a service). Leave Version empty to make the\n"
         "; version lookup fail.\n"
         "Platform=" +
         std::to_string(version ? version->platformId : 2) +
         "\n"
         "Version=" +
         (version ? std::to_string(version->major) + "." + std::to_string(version->minor) : "") +
         "\n"
         "; yes on a cluster node (the registry key HKEY_LOCAL_MACHINE\\Cluster exists).\n"
         "Cluster=" +
         (facts.cluster ? "yes" : "no") + "\n";
}

void RequireWritable(const char* key, const std::string& value) {
  if (value.find_first_of("\r\n") != std::string::npos || text::Trim(value) != value) {
    throw PlatformError(kErrInvalidArgument, std::string("host facts: ") + key +
                                                 " would not read back the same (a line break "
                                                 "or blanks at either end)");
  }
}

}  // namespace

HostFacts LoadHostFacts(const fs::path& file) {
  std::error_code error;
  if (!fs::exists(file, error)) {
    throw PlatformError(kErrNotFound, "there is no host facts file " + file.string());
  }
  std::ifstream in(file, std::ios::binary);
  if (!fs::is_regular_file(file, error) || !in) Malformed(file, "cannot be read");
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) Malformed(file, "cannot be read");

  const auto ini = IniSnapshot::Parse(content);
  const auto* entries = ini.Entries(kSection);
  if (entries == nullptr) Malformed(file, "there is no [Host] section");
  std::array<bool, kKeys.size()> seen{};
  for (const auto& [key, value] : *entries) {
    if (key.starts_with(';') || key.starts_with('#')) continue;  // a comment holding "="
    std::size_t known = 0;
    while (known < kKeys.size() && !text::EqualsIgnoreCase(key, kKeys[known])) ++known;
    if (known == kKeys.size()) {
      Malformed(file, "unknown key \"" + std::string(key) +
                          "\" (known: ComputerName, LanGroup, UserName, Platform, Version, "
                          "Cluster)");
    }
    if (seen[known]) Malformed(file, "the key " + std::string(kKeys[known]) + " is given twice");
    seen[known] = true;
  }

  HostFacts facts;
  facts.computerName = ini.Read(kSection, "ComputerName");
  if (facts.computerName.empty()) Malformed(file, "ComputerName is missing or empty");
  facts.lanGroup = ini.Read(kSection, "LanGroup");
  if (auto user = ini.Read(kSection, "UserName"); !user.empty()) facts.userName = std::move(user);

  std::string platform = ini.Read(kSection, "Platform");
  if (platform.empty()) platform = "2";
  const auto platformId = Number(platform);
  if (!platformId) Malformed(file, "Platform must be a whole number, not \"" + platform + "\"");
  if (const std::string version = ini.Read(kSection, "Version"); !version.empty()) {
    const std::size_t dot = version.find('.');
    const auto major = Number(std::string_view(version).substr(0, dot));
    const auto minor =
        dot == std::string::npos ? std::nullopt : Number(std::string_view(version).substr(dot + 1));
    if (!major || !minor) {
      Malformed(file, "Version must be major.minor, e.g. 5.2, not \"" + version + "\"");
    }
    facts.osVersion = OsVersion{*platformId, *major, *minor};
  }

  const std::string cluster = ini.Read(kSection, "Cluster");
  const auto isCluster = YesNo(cluster);
  if (!isCluster) Malformed(file, "Cluster must be yes or no, not \"" + cluster + "\"");
  facts.cluster = *isCluster;
  return facts;
}

void SaveHostFacts(const fs::path& file, const HostFacts& facts) {
  if (facts.computerName.empty()) {
    throw PlatformError(kErrInvalidArgument, "host facts: the computer name is empty");
  }
  RequireWritable("ComputerName", facts.computerName);
  RequireWritable("LanGroup", facts.lanGroup);
  RequireWritable("UserName", facts.userName.value_or(""));
  const std::string content = Render(facts);

  std::error_code error;
  if (file.has_parent_path()) fs::create_directories(file.parent_path(), error);
  try {
    SystemFiles().ReplaceWholeFile(file.string(), content, {});
  } catch (const FileWriteError& failure) {
    const std::string& written =
        failure.Step() == FileWriteStep::kName || failure.TemporaryPath().empty()
            ? file.string()
            : failure.TemporaryPath();
    throw PlatformError(kErrFail, "cannot write the host facts file " + written);
  }
}

HostFacts SampleHostFacts() {
  return HostFacts{"MAIL01", "EXAMPLE", "Administrator", OsVersion{2, 5, 2}, false};
}

void WriteSampleHostFile(const fs::path& serverRoot) {
  SaveHostFacts(serverRoot / kHostFileName, SampleHostFacts());
}

WorkstationInfo AnswerWorkstation(const HostFacts& facts, std::string_view computerName,
                                  std::string_view serverName) {
  if (serverName.empty()) return {kNerrSuccess, facts.lanGroup};  // this computer
  if (serverName.starts_with("\\\\")) serverName.remove_prefix(2);
  if (!text::EqualsIgnoreCase(serverName, computerName)) return {kErrorBadNetPath, {}};
  return {kNerrSuccess, facts.lanGroup};
}

}  // namespace quarvel::platform::host
