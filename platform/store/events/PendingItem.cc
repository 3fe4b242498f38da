#include "platform/store/events/PendingItem.h"

#include "platform/PlatformError.h"

namespace quarvel::platform::store {

namespace {

// The properties as the store would keep them: canonical names, no empty
// values, no text longer than its defined size.
StoredProperties AsStored(StoredProperties properties) {
  StoredProperties stored;
  for (auto& [name, value] : properties.values) {
    if (value.IsEmpty()) continue;
    auto canonical = CanonicalPropertyName(name);
    const auto size = properties.sizes.find(name);
    const long definedSize = size == properties.sizes.end() ? 0 : size->second;
    CheckFits(canonical, value, definedSize);
    if (definedSize > 0) stored.sizes[canonical] = definedSize;
    stored.values.insert_or_assign(std::move(canonical), std::move(value));
  }
  return stored;
}

}  // namespace

PendingItem::PendingItem(PublicStore& store, StorePath path, std::string message,
                         StoredProperties properties)
    : store_(store),
      path_(std::move(path)),
      message_(std::move(message)),
      properties_(AsStored(std::move(properties))) {}

bool PendingItem::IsMine(const StorePath& item) const {
  if (item != path_) return false;
  if (deleted_) throw PlatformError(kErrNotFound, "object not found: " + item.ToString());
  return true;
}

FoundObject PendingItem::Find(const StorePath& path) const {
  if (path != path_) return store_.Find(path);
  FoundObject found;
  if (!deleted_) {
    found.kind = FoundObject::Kind::kItem;
    found.properties = properties_;
  }
  return found;
}

bool PendingItem::FolderExists(const StorePath& folder) const {
  return folder != path_ && store_.FolderExists(folder);
}

FolderSettings PendingItem::ReadFolder(const StorePath& folder) const {
  return store_.ReadFolder(folder);
}

std::vector<StorePath> PendingItem::SubFolders(const StorePath& folder) const {
  return store_.SubFolders(folder);
}

bool PendingItem::ItemExists(const StorePath& item) const {
  if (item == path_) return !deleted_;
  return store_.ItemExists(item);
}

StoredProperties PendingItem::ReadItemProperties(const StorePath& item) const {
  if (IsMine(item)) return properties_;
  return store_.ReadItemProperties(item);
}

std::string PendingItem::ReadMessage(const StorePath& item) const {
  if (IsMine(item)) return message_;
  return store_.ReadMessage(item);
}

void PendingItem::PutItem(const StorePath& item, const std::string& message,
                          const StoredProperties& properties) {
  if (item != path_) {
    store_.PutItem(item, message, properties);
    return;
  }
  properties_ = AsStored(properties);
  message_ = message;
  deleted_ = false;
}

StoredProperties PendingItem::ChangeProperties(const StorePath& item,
                                               const PropertyChanges& changes) {
  if (!IsMine(item)) return store_.ChangeProperties(item, changes);
  // All or nothing, as a write to the store is.
  StoredProperties changed = properties_;
  for (const auto& [name, change] : changes) {
    if (!change) continue;
    const auto canonical = CanonicalPropertyName(name);
    long size = change->definedSize;
    if (size <= 0 && !change->created) {
      const auto kept = changed.sizes.find(canonical);
      size = kept == changed.sizes.end() ? 0 : kept->second;
    }
    CheckFits(canonical, change->value, size);
  }
  ApplyPropertyChanges(changed, changes);
  properties_ = std::move(changed);
  return properties_;
}

void PendingItem::DeleteItem(const StorePath& item) {
  if (!IsMine(item)) {
    store_.DeleteItem(item);
    return;
  }
  deleted_ = true;
}

void PendingItem::MoveItem(const StorePath& from, const StorePath& to, bool overwrite) {
  if (IsMine(from)) {
    throw PlatformError(kErrFail,
                        "'" + from.ToString() + "' cannot be moved before its save is committed");
  }
  store_.MoveItem(from, to, overwrite);
}

}  // namespace quarvel::platform::store
