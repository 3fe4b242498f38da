#include "platform/store/PublicStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <string_view>
#include <system_error>
#include <utility>

#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::store {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr const char* kSettingsFile = ".folder.json";
constexpr const char* kNonIpmSubtree = "non_ipm_subtree";
constexpr std::string_view kTagPrefix = "http://schemas.microsoft.com/mapi/proptag/";

[[noreturn]] void FailIo(const std::string& what, const fs::path& path, int err) {
  throw PlatformError(kErrFail, what + " '" + path.string() + "': " + std::strerror(err));
}

[[noreturn]] void FailIo(const std::string& what, const fs::path& path, const std::error_code& ec) {
  throw PlatformError(kErrFail, what + " '" + path.string() + "': " + ec.message());
}

[[noreturn]] void NotFound(const StorePath& path) {
  throw PlatformError(kErrNotFound, "object not found: " + path.ToString());
}

[[noreturn]] void AccessDenied(const StorePath& path) {
  throw PlatformError(kErrAccessDenied, "access denied: " + path.ToString());
}

[[noreturn]] void Exists(const StorePath& path, const std::string& what) {
  throw PlatformError(kErrFileExists, what + ": " + path.ToString());
}

fs::file_status StatusOf(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
    FailIo("cannot examine", path, ec);
  }
  return status;
}

bool IsDirectory(const fs::path& path) { return fs::is_directory(StatusOf(path)); }
bool IsRegularFile(const fs::path& path) { return fs::is_regular_file(StatusOf(path)); }

fs::path PropertiesFile(const fs::path& folder, const std::string& item) {
  return folder / ("." + item + ".props.json");
}

std::string ReadFile(const fs::path& path) {
  // O_NOFOLLOW: a link planted in place of a store file must not lead elsewhere.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) FailIo("cannot open", path, errno);
  std::string content;
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      FailIo("cannot read", path, err);
    }
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return content;
}

void RemoveIfPresent(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) FailIo("cannot remove", path, ec);
}

void Rename(const fs::path& from, const fs::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    const int err = errno;
    throw PlatformError(kErrFail, "cannot rename '" + from.string() + "' to '" + to.string() +
                                      "': " + std::strerror(err));
  }
}

Json ParseJsonFile(const fs::path& path) {
  try {
    return Json::parse(ReadFile(path));
  } catch (const Json::exception& e) {
    throw PlatformError(kErrFail, "malformed JSON in '" + path.string() + "': " + e.what());
  }
}

// Invalid UTF-8 cannot be held in JSON; each bad byte becomes U+FFFD rather than
// failing a delivery.
std::string DumpJson(const Json& json) {
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

template <typename T>
T Field(const Json& object, const char* key, T fallback, const fs::path& file) {
  const auto it = object.find(key);
  if (it == object.end()) return fallback;
  try {
    return it->get<T>();
  } catch (const Json::exception&) {
    throw PlatformError(kErrFail,
                        "wrong type of \"" + std::string(key) + "\" in '" + file.string() + "'");
  }
}

FolderSettings LoadSettings(const fs::path& folder, const std::string& defaultName) {
  FolderSettings settings;
  settings.displayName = defaultName;
  const fs::path file = folder / kSettingsFile;
  if (!IsRegularFile(file)) return settings;
  const Json json = ParseJsonFile(file);
  if (!json.is_object()) {
    throw PlatformError(kErrFail, "folder settings in '" + file.string() + "' are not an object");
  }
  settings.displayName = Field(json, "displayName", settings.displayName, file);
  settings.emailAddress = Field(json, "emailAddress", settings.emailAddress, file);
  settings.hidden = Field(json, "hidden", settings.hidden, file);
  settings.accessDenied = Field(json, "accessDenied", settings.accessDenied, file);
  return settings;
}

Json SettingsJson(const FolderSettings& settings) {
  return Json{{"displayName", settings.displayName},
              {"emailAddress", settings.emailAddress},
              {"hidden", settings.hidden},
              {"accessDenied", settings.accessDenied}};
}

Json PropertiesJson(const PropertyMap& properties) {
  Json json = Json::object();
  for (const auto& [name, value] : properties) {
    if (value.IsEmpty()) continue;  // an empty value is no value: nothing to keep
    Json& slot = json[CanonicalPropertyName(name)];
    if (value.IsNull()) {
      slot = nullptr;
    } else if (value.IsBoolean()) {
      slot = value.ToString() == "True";
    } else if (value.IsInteger()) {
      slot = std::stoll(value.ToString());
    } else {
      slot = value.ToString();
    }
  }
  return json;
}

PropertyMap PropertiesFromJson(const Json& json, const fs::path& file) {
  if (!json.is_object()) {
    throw PlatformError(kErrFail, "properties in '" + file.string() + "' are not an object");
  }
  PropertyMap properties;
  for (const auto& [name, value] : json.items()) {
    ado::Variant variant;
    if (value.is_null()) {
      variant = ado::Variant::Null();
    } else if (value.is_boolean()) {
      variant = value.get<bool>();
    } else if (value.is_number_integer() && value.is_number_unsigned()) {
      const auto number = value.get<std::uint64_t>();
      if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        throw PlatformError(kErrFail,
                            "property \"" + name + "\" in '" + file.string() + "' is out of range");
      }
      variant = static_cast<std::int64_t>(number);
    } else if (value.is_number_integer()) {
      variant = value.get<std::int64_t>();
    } else if (value.is_string()) {
      variant = value.get<std::string>();
    } else {
      throw PlatformError(kErrFail, "property \"" + name + "\" in '" + file.string() +
                                        "' is not text, a whole number, a boolean or null");
    }
    properties[CanonicalPropertyName(name)] = std::move(variant);
  }
  return properties;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Names a listing may return: anything else could not be addressed again.
bool IsListableName(const std::string& name) {
  try {
    CheckName(name);
    return true;
  } catch (const PlatformError&) {
    return false;
  }
}

}  // namespace

std::string CanonicalPropertyName(const std::string& name) {
  if (name.compare(0, kTagPrefix.size(), kTagPrefix) != 0) return name;
  std::string_view tag = std::string_view(name).substr(kTagPrefix.size());
  if (tag.size() >= 2 && tag[0] == '0' && (tag[1] == 'x' || tag[1] == 'X')) {
    tag.remove_prefix(2);
  } else if (!tag.empty() && (tag[0] == 'x' || tag[0] == 'X')) {
    tag.remove_prefix(1);
  } else {
    return name;
  }
  if (tag.empty() || !std::all_of(tag.begin(), tag.end(), IsHexDigit)) return name;
  std::string canonical = std::string(kTagPrefix) + "x";
  for (const char c : tag) {
    canonical += (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return canonical;
}

PublicStore::PublicStore(std::filesystem::path directory) : directory_(std::move(directory)) {
  std::error_code ec;
  fs::create_directories(directory_, ec);
  if (ec) FailIo("cannot create store directory", directory_, ec);
  if (!IsDirectory(directory_)) {
    FailIo("cannot use store directory", directory_, ENOTDIR);
  }
  // Settings are only added where none exist, so a person's edits survive.
  const StorePath nonIpm = StorePath{}.Child(kNonIpmSubtree);
  if (!IsRegularFile(Resolve(nonIpm) / kSettingsFile)) {
    CreateFolder(nonIpm, FolderSettings{kNonIpmSubtree, "", true, false});
  }
}

std::filesystem::path PublicStore::Resolve(const StorePath& path) const {
  fs::path resolved = directory_;
  for (const std::string& segment : path.segments) {
    // StorePath is a plain value; its names are checked again before any use.
    CheckName(segment);
    resolved /= segment;
    if (fs::is_symlink(StatusOf(resolved))) {
      throw PlatformError(kErrAccessDenied,
                          "refused: '" + resolved.string() + "' is a symbolic link");
    }
  }
  return resolved;
}

std::filesystem::path PublicStore::ExistingFolder(const StorePath& folder) const {
  fs::path dir = Resolve(folder);
  if (!IsDirectory(dir)) NotFound(folder);
  return dir;
}

std::string PublicStore::DefaultDisplayName(const StorePath& folder) const {
  if (!folder.IsRoot()) return folder.Name();
  fs::path dir = directory_.lexically_normal();
  if (!dir.has_filename()) dir = dir.parent_path();
  return dir.filename().string();
}

std::filesystem::path PublicStore::AccessibleItemFolder(const StorePath& item) const {
  if (item.IsRoot()) NotFound(item);
  CheckName(item.Name());
  const StorePath folder = item.Parent();
  fs::path dir = Resolve(folder);
  if (!IsDirectory(dir)) NotFound(item);
  if (LoadSettings(dir, DefaultDisplayName(folder)).accessDenied) AccessDenied(item);
  return dir;
}

void PublicStore::WriteAtomically(const std::filesystem::path& target, std::string_view content) {
  fs::path temp;
  int fd = -1;
  // O_EXCL: another writer in this or another process may use the same serial.
  for (int attempt = 0; fd < 0; ++attempt) {
    temp = target.parent_path() /
           (".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(tempSerial_++));
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt >= 100)) FailIo("cannot create", temp, errno);
  }
  auto abandon = [&](const std::string& what, const fs::path& path) {
    const int err = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    FailIo(what, path, err);
  };
  for (std::size_t done = 0; done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      abandon("cannot write", temp);
    }
    done += static_cast<std::size_t>(n);
  }
  // Mail must survive a crash once the store has taken it.
  if (::fsync(fd) != 0) abandon("cannot flush", temp);
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) abandon("cannot close", temp);
  if (::rename(temp.c_str(), target.c_str()) != 0) abandon("cannot replace", target);
}

bool PublicStore::FolderExists(const StorePath& folder) const {
  std::lock_guard lock(mutex_);
  return IsDirectory(Resolve(folder));
}

void PublicStore::CreateFolder(const StorePath& folder, const FolderSettings& settings) {
  std::lock_guard lock(mutex_);
  const fs::path dir = Resolve(folder);
  if (fs::exists(StatusOf(dir)) && !IsDirectory(dir)) Exists(folder, "an item has this name");
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) FailIo("cannot create folder", dir, ec);
  WriteAtomically(dir / kSettingsFile, DumpJson(SettingsJson(settings)));
}

FolderSettings PublicStore::ReadFolder(const StorePath& folder) const {
  std::lock_guard lock(mutex_);
  return LoadSettings(ExistingFolder(folder), DefaultDisplayName(folder));
}

std::vector<StorePath> PublicStore::SubFolders(const StorePath& folder) const {
  std::lock_guard lock(mutex_);
  return Entries(folder, fs::file_type::directory);
}

std::vector<StorePath> PublicStore::Entries(const StorePath& folder,
                                            std::filesystem::file_type type) const {
  const fs::path dir = ExistingFolder(folder);
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    // symlink_status: links are never followed, so they list as neither kind. An
    // entry removed meanwhile has no status and is simply not listed.
    std::error_code statusError;
    if (IsListableName(name) && it->symlink_status(statusError).type() == type) {
      names.push_back(std::move(name));
    }
  }
  if (ec) FailIo("cannot list", dir, ec);
  std::sort(names.begin(), names.end());
  std::vector<StorePath> paths;
  paths.reserve(names.size());
  for (const std::string& name : names) paths.push_back(folder.Child(name));
  return paths;
}

std::optional<StorePath> PublicStore::FindFolderByAddress(const std::string& address) const {
  std::lock_guard lock(mutex_);
  if (address.empty()) return std::nullopt;
  for (const StorePath& folder : AllFolders()) {
    const FolderSettings settings = ReadFolder(folder);
    if (text::EqualsIgnoreCase(settings.emailAddress, address)) return folder;
  }
  return std::nullopt;
}

std::vector<StorePath> PublicStore::AllFolders() const {
  std::lock_guard lock(mutex_);
  std::vector<StorePath> all;
  // Explicit stack rather than recursion: a deep tree must not exhaust the stack.
  std::vector<StorePath> pending = SubFolders(StorePath{});
  std::reverse(pending.begin(), pending.end());
  while (!pending.empty()) {
    StorePath folder = std::move(pending.back());
    pending.pop_back();
    std::vector<StorePath> children = SubFolders(folder);
    pending.insert(pending.end(), std::make_move_iterator(children.rbegin()),
                   std::make_move_iterator(children.rend()));
    all.push_back(std::move(folder));
  }
  return all;
}

bool PublicStore::ItemExists(const StorePath& item) const {
  std::lock_guard lock(mutex_);
  if (item.IsRoot()) return false;
  try {
    return IsRegularFile(AccessibleItemFolder(item) / item.Name());
  } catch (const PlatformError& e) {
    if (e.Number() == kErrNotFound) return false;
    throw;
  }
}

std::vector<StorePath> PublicStore::Items(const StorePath& folder) const {
  std::lock_guard lock(mutex_);
  const fs::path dir = ExistingFolder(folder);
  if (LoadSettings(dir, DefaultDisplayName(folder)).accessDenied) AccessDenied(folder);
  return Entries(folder, fs::file_type::regular);
}

std::filesystem::path PublicStore::ExistingItem(const StorePath& item) const {
  const fs::path dir = AccessibleItemFolder(item);
  if (!IsRegularFile(dir / item.Name())) NotFound(item);
  return dir;
}

PropertyMap PublicStore::ReadProperties(const StorePath& item) const {
  std::lock_guard lock(mutex_);
  const fs::path file = PropertiesFile(ExistingItem(item), item.Name());
  if (!IsRegularFile(file)) return {};
  return PropertiesFromJson(ParseJsonFile(file), file);
}

std::string PublicStore::ReadMessage(const StorePath& item) const {
  std::lock_guard lock(mutex_);
  return ReadFile(ExistingItem(item) / item.Name());
}

void PublicStore::WriteItem(const StorePath& item, const std::string& message,
                            const PropertyMap& properties) {
  std::lock_guard lock(mutex_);
  const fs::path dir = AccessibleItemFolder(item);
  const fs::path file = dir / item.Name();
  if (IsDirectory(file)) Exists(item, "a folder has this name");
  const bool existed = IsRegularFile(file);
  const fs::path propsFile = PropertiesFile(dir, item.Name());
  // Properties first: the message file is what makes the item visible.
  WriteAtomically(propsFile, DumpJson(PropertiesJson(properties)));
  try {
    WriteAtomically(file, message);
  } catch (const PlatformError&) {
    if (!existed) ::unlink(propsFile.c_str());
    throw;
  }
}

void PublicStore::WriteProperties(const StorePath& item, const PropertyMap& properties) {
  std::lock_guard lock(mutex_);
  WriteAtomically(PropertiesFile(ExistingItem(item), item.Name()),
                  DumpJson(PropertiesJson(properties)));
}

void PublicStore::DeleteItem(const StorePath& item) {
  std::lock_guard lock(mutex_);
  const fs::path dir = ExistingItem(item);
  // Message first: once it is gone the item is gone, whatever happens next.
  RemoveIfPresent(dir / item.Name());
  RemoveIfPresent(PropertiesFile(dir, item.Name()));
}

void PublicStore::MoveItem(const StorePath& from, const StorePath& to, bool overwrite) {
  std::lock_guard lock(mutex_);
  // A bad destination name is the caller's error, whatever state the source is in.
  for (const std::string& name : to.segments) CheckName(name);
  const fs::path fromDir = ExistingItem(from);
  const fs::path toDir = AccessibleItemFolder(to);
  const fs::path fromFile = fromDir / from.Name();
  const fs::path toFile = toDir / to.Name();
  if (IsDirectory(toFile)) Exists(to, "a folder has this name");
  if (IsRegularFile(toFile) && !overwrite) Exists(to, "an item already has this name");
  if (from == to) return;
  const fs::path fromProps = PropertiesFile(fromDir, from.Name());
  const fs::path toProps = PropertiesFile(toDir, to.Name());
  const bool hasProps = IsRegularFile(fromProps);
  if (hasProps) {
    Rename(fromProps, toProps);
  } else {
    RemoveIfPresent(toProps);  // a replaced item's properties must not carry over
  }
  try {
    Rename(fromFile, toFile);
  } catch (const PlatformError&) {
    if (hasProps) ::rename(toProps.c_str(), fromProps.c_str());
    throw;
  }
}

}  // namespace quarvel::platform::store
