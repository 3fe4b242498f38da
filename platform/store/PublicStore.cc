#include "platform/store/PublicStore.h"

#include <algorithm>
#include <string_view>
#include <system_error>

#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::store {

namespace {

constexpr std::string_view kTagPrefix = "http://schemas.microsoft.com/mapi/proptag/";

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::filesystem::path CreatedDirectory(std::filesystem::path directory) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error || !std::filesystem::is_directory(directory)) {
    throw PlatformError(kErrFail, "cannot use store directory '" + directory.string() +
                                      "': " + (error ? error.message() : "not a directory"));
  }
  return directory;
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

void CheckFits(const std::string& name, const ado::Variant& value, long definedSize) {
  if (definedSize <= 0 || !value.IsString()) return;
  const auto length = text::CharCount(value.ToString());
  if (length > static_cast<std::size_t>(definedSize)) {
    throw PlatformError(kErrDataOverflow,
                        "the value of '" + name + "' has " + std::to_string(length) +
                            " characters; it holds at most " + std::to_string(definedSize));
  }
}

void ApplyPropertyChanges(StoredProperties& properties, const PropertyChanges& changes) {
  for (const auto& [name, change] : changes) {
    const auto canonical = CanonicalPropertyName(name);
    if (!change || change->value.IsEmpty()) {
      properties.values.erase(canonical);
      properties.sizes.erase(canonical);
      continue;
    }
    properties.values[canonical] = change->value;
    if (change->definedSize > 0) {
      properties.sizes[canonical] = change->definedSize;
    } else if (change->created) {
      properties.sizes.erase(canonical);
    }
  }
}

PublicStore::PublicStore(std::filesystem::path directory)
    : directory_(CreatedDirectory(std::move(directory))),
      database_(std::make_unique<StoreDatabase>(directory_ / kDatabaseFileName)) {
  // Settings are only added where none exist, so a person's edits survive.
  const StorePath nonIpm = StorePath{}.Child(rows::kNonIpmSubtree);
  if (!FolderExists(nonIpm)) {
    CreateFolder(nonIpm, FolderSettings{rows::kNonIpmSubtree, "", true, false});
  }
}

FoundObject PublicStore::Find(const StorePath& path) const {
  return database_->Read([&](StoreConnection& c) { return rows::Find(c, path); });
}

bool PublicStore::FolderExists(const StorePath& folder) const {
  return database_->Read(
      [&](StoreConnection& c) { return rows::FindFolder(c, folder).has_value(); });
}

void PublicStore::CreateFolder(const StorePath& folder, const FolderSettings& settings) {
  database_->Write([&](StoreConnection& c) { rows::CreateFolder(c, folder, settings); });
}

FolderSettings PublicStore::ReadFolder(const StorePath& folder) const {
  return database_->Read([&](StoreConnection& c) {
    const auto row = rows::FindFolder(c, folder);
    if (!row) throw PlatformError(kErrNotFound, "object not found: " + folder.ToString());
    return rows::ReadFolderSettings(c, *row);
  });
}

std::vector<StorePath> PublicStore::SubFolders(const StorePath& folder) const {
  return database_->Read([&](StoreConnection& c) { return rows::SubFolders(c, folder); });
}

std::optional<StorePath> PublicStore::FindFolderByAddress(const std::string& address) const {
  return database_->Read([&](StoreConnection& c) { return rows::FindFolderByAddress(c, address); });
}

std::vector<StorePath> PublicStore::AllFolders() const {
  return database_->Read([&](StoreConnection& c) { return rows::AllFolders(c); });
}

bool PublicStore::ItemExists(const StorePath& item) const {
  return database_->Read([&](StoreConnection& c) { return rows::ItemExists(c, item); });
}

std::vector<StorePath> PublicStore::Items(const StorePath& folder) const {
  return database_->Read([&](StoreConnection& c) { return rows::Items(c, folder); });
}

std::int64_t PublicStore::ItemCount(const StorePath& folder) const {
  return database_->Read([&](StoreConnection& c) { return rows::ItemCount(c, folder); });
}

PropertyMap PublicStore::ReadProperties(const StorePath& item) const {
  return ReadItemProperties(item).values;
}

StoredProperties PublicStore::ReadItemProperties(const StorePath& item) const {
  return database_->Read([&](StoreConnection& c) { return rows::ReadItemProperties(c, item); });
}

std::string PublicStore::ReadMessage(const StorePath& item) const {
  return database_->Read([&](StoreConnection& c) { return rows::ReadMessage(c, item); });
}

void PublicStore::WriteItem(const StorePath& item, const std::string& message,
                            const PropertyMap& properties) {
  PutItem(item, message, StoredProperties{properties, {}});
}

void PublicStore::PutItem(const StorePath& item, const std::string& message,
                          const StoredProperties& properties) {
  database_->Write([&](StoreConnection& c) { rows::WriteItem(c, item, message, properties); });
}

StoredProperties PublicStore::ChangeProperties(const StorePath& item,
                                               const PropertyChanges& changes) {
  return database_->Write(
      [&](StoreConnection& c) { return rows::ChangeProperties(c, item, changes); });
}

void PublicStore::DeleteItem(const StorePath& item) {
  database_->Write([&](StoreConnection& c) { rows::DeleteItem(c, item); });
}

void PublicStore::MoveItem(const StorePath& from, const StorePath& to, bool overwrite) {
  database_->Write([&](StoreConnection& c) { rows::MoveItem(c, from, to, overwrite); });
}

std::vector<rows::IndexedItem> PublicStore::RegistrationItems(
    const std::vector<StorePath>& folders) const {
  return database_->Read([&](StoreConnection& c) { return rows::RegistrationItems(c, folders); });
}

std::vector<rows::IndexedItem> PublicStore::AllRegistrationItems() const {
  return database_->Read([&](StoreConnection& c) { return rows::AllRegistrationItems(c); });
}

std::unique_ptr<StoreTransaction> PublicStore::BeginTransaction() const {
  return std::make_unique<StoreTransaction>(*database_);
}

}  // namespace quarvel::platform::store
