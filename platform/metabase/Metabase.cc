#include "platform/metabase/Metabase.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string_view>

#include "common/FileWriter.h"
#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::metabase {

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

constexpr std::string_view kService = "smtpsvc";
constexpr std::string_view kScheme = "IIS://";
constexpr std::string_view kHost = "localhost";

// Text from outside as an error message shows it: control bytes escaped.
std::string Shown(std::string_view text) { return text::EscapeControlChars(text); }

// "1", "2", ...: decimal without sign or leading zeros, as the keys are named.
std::optional<int> ServerNumber(std::string_view text) {
  if (text.empty() || text.front() == '0') return std::nullopt;
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

[[noreturn]] void FailFile(const fs::path& file, const std::string& why) {
  throw PlatformError(kErrFail, "metabase " + file.string() + ": " + why);
}

[[noreturn]] void FailSave(const fs::path& file, const char* step, int error) {
  throw PlatformError(kErrFail, "cannot save metabase " + file.string() + " (" + step +
                                    "): " + std::strerror(error));
}

// The four directory properties in file order, with their members and the
// default directory names beside the metabase file.
struct DirectoryProperty {
  const char* name;
  fs::path SmtpVirtualServer::*member;
  const char* defaultName;
};

constexpr DirectoryProperty kDirectories[] = {
    {kPickupDirectory, &SmtpVirtualServer::pickupDirectory, "pickup"},
    {kQueueDirectory, &SmtpVirtualServer::queueDirectory, "Queue"},
    {kDropDirectory, &SmtpVirtualServer::dropDirectory, "Drop"},
    {kBadMailDirectory, &SmtpVirtualServer::badmailDirectory, "Badmail"},
};

// Only the pickup directory may be missing from a virtual server.
bool IsUnset(const SmtpVirtualServer& server, const DirectoryProperty& property) {
  return !server.hasPickupDirectory && property.member == &SmtpVirtualServer::pickupDirectory;
}

}  // namespace

Metabase::Metabase(fs::path file, FileWriter& files)
    : file_(fs::absolute(file).lexically_normal()), files_(&files) {
  Load();
}

SmtpVirtualServer Metabase::Completed(SmtpVirtualServer server) const {
  const fs::path base = file_.parent_path();
  if (!server.hasPickupDirectory) server.pickupDirectory.clear();
  for (const auto& property : kDirectories) {
    fs::path& directory = server.*property.member;
    if (IsUnset(server, property)) continue;
    if (directory.empty()) directory = property.defaultName;
    directory = (base / directory).lexically_normal();  // an absolute one stays as it is
  }
  return server;
}

void Metabase::Load() {
  std::ifstream in(file_, std::ios::binary);
  if (!in) {
    std::error_code error;
    if (!fs::exists(file_, error) && !error) {
      servers_.clear();
      return;
    }
    FailFile(file_, "cannot be read");
  }
  json document;
  try {
    document = json::parse(in);
  } catch (const json::parse_error& e) {
    FailFile(file_, "not valid JSON near byte " + std::to_string(e.byte));
  }
  if (!document.is_object()) FailFile(file_, "the file must hold one JSON object");

  std::map<int, SmtpVirtualServer> servers;
  for (const auto& [section, content] : document.items()) {
    if (!text::EqualsIgnoreCase(section, kService)) {
      FailFile(file_, "unknown section \"" + Shown(section) + "\" (only \"smtpsvc\" is known)");
    }
    if (!content.is_object()) FailFile(file_, "\"smtpsvc\" must be an object");
    for (const auto& [key, settings] : content.items()) {
      const auto number = ServerNumber(key);
      if (!number) {
        FailFile(file_, "virtual server \"" + Shown(key) + "\" is not a number from 1");
      }
      if (!settings.is_object()) FailFile(file_, "virtual server " + key + " must be an object");
      SmtpVirtualServer server;
      for (const auto& [name, value] : settings.items()) {
        const DirectoryProperty* known = nullptr;
        for (const auto& property : kDirectories) {
          if (text::EqualsIgnoreCase(name, property.name)) known = &property;
        }
        if (known == nullptr) {
          FailFile(file_, "virtual server " + key + ": unknown property \"" + Shown(name) + "\"");
        }
        if (value.is_null() && known->member == &SmtpVirtualServer::pickupDirectory) {
          server.hasPickupDirectory = false;
          continue;
        }
        if (!value.is_string()) {
          FailFile(file_, "virtual server " + key + ": " + known->name + " must be text");
        }
        server.*known->member = value.get<std::string>();
      }
      servers.emplace(*number, Completed(std::move(server)));
    }
  }
  servers_ = std::move(servers);
}

void Metabase::Save() const {
  // Ordered: the pickup directory first, as a person looks for it.
  using ordered = nlohmann::ordered_json;
  ordered smtp = ordered::object();
  for (const auto& [number, server] : servers_) {
    ordered settings = ordered::object();
    for (const auto& property : kDirectories) {
      settings[property.name] = IsUnset(server, property)
                                    ? ordered(nullptr)
                                    : ordered((server.*property.member).string());
    }
    smtp[std::to_string(number)] = std::move(settings);
  }
  std::string content;
  try {
    content = ordered{{std::string(kService), std::move(smtp)}}.dump(2) + "\n";
  } catch (const ordered::type_error&) {
    throw PlatformError(kErrFail, "cannot save metabase " + file_.string() +
                                      ": a directory name is not valid UTF-8");
  }

  std::error_code error;
  fs::create_directories(file_.parent_path(), error);
  if (error) FailSave(file_, "create directory", error.value());
  try {
    // Readable by everyone, as the setup program must read it.
    files_->ReplaceWholeFile(file_.string(), content, FileAccess{.mode = 0644});
  } catch (const FileWriteError& failure) {
    FailSave(file_, std::string(StepName(failure.Step())).c_str(), failure.Error());
  }
}

std::vector<int> Metabase::SmtpServerNumbers() const {
  std::vector<int> numbers;
  for (const auto& entry : servers_) numbers.push_back(entry.first);
  return numbers;
}

std::optional<SmtpVirtualServer> Metabase::SmtpServer(int number) const {
  const auto found = servers_.find(number);
  if (found == servers_.end()) return std::nullopt;
  return found->second;
}

void Metabase::SetSmtpServer(int number, SmtpVirtualServer server) {
  if (number < 1) {
    throw PlatformError(kErrInvalidArgument,
                        "virtual server numbers start at 1, not " + std::to_string(number));
  }
  servers_[number] = Completed(std::move(server));
}

bool Metabase::RemoveSmtpServer(int number) { return servers_.erase(number) > 0; }

MetabaseObject Metabase::Bind(const std::string& path) const {
  const auto malformed = [&](const std::string& why) {
    return PlatformError(kErrInvalidArgument,
                         "not a metabase path: \"" + Shown(path) + "\" (" + why + ")");
  };
  const auto notFound = [&] { return PlatformError(kErrNotFound, "no object at " + Shown(path)); };

  if (!text::StartsWithIgnoreCase(path, kScheme)) throw malformed("it must start with IIS://");
  std::vector<std::string_view> segments;
  std::string_view rest = std::string_view(path).substr(kScheme.size());
  while (true) {
    const auto slash = rest.find('/');
    segments.push_back(rest.substr(0, slash));
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  for (const auto segment : segments) {
    if (segment.empty()) throw malformed("empty name");
    for (const char c : segment) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '\\') {
        throw malformed("control character or backslash");
      }
    }
  }
  if (segments.size() < 3 || !text::EqualsIgnoreCase(segments[0], kHost) ||
      !text::EqualsIgnoreCase(segments[1], kService)) {
    throw notFound();
  }
  if (!AllDigits(segments[2])) throw malformed("the virtual server number must be decimal");
  const auto number = ServerNumber(segments[2]);
  if (segments.size() != 3 || !number) throw notFound();
  const auto server = SmtpServer(*number);
  if (!server) throw notFound();

  std::map<std::string, ado::Variant> properties;
  for (const auto& property : kDirectories) {
    if (IsUnset(*server, property)) continue;
    properties.emplace(property.name, ado::Variant((*server.*property.member).string()));
  }
  return MetabaseObject(path, std::move(properties));
}

}  // namespace quarvel::platform::metabase
