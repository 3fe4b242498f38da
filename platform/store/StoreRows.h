// The store's folders and items as rows of its database, read and written on
// one connection inside whatever transaction the caller runs. PublicStore
// wraps each call in a transaction of its own, StoreTransaction in the
// connection's open one, GroupCommit in a shared one.
//
// Damage stays with its row: a folder, item or property row that holds
// something the store never writes (a wrong type, an unknown property type,
// a name that could not be addressed) makes only that folder or item fail,
// with PlatformError(kErrFail) saying which and what is wrong; listings skip
// names that could not be addressed. Other failures as in StoreOperations.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/store/StoreDatabase.h"
#include "platform/store/StoreOperations.h"

namespace quarvel::platform::store::rows {

inline constexpr std::int64_t kRootFolderId = 1;
// The folder below the root that holds the store's own items.
inline constexpr const char* kNonIpmSubtree = "non_ipm_subtree";

struct FolderRow {
  std::int64_t id = kRootFolderId;
  StorePath path;
};

// The folder's row, or nullopt when a folder on the way is missing.
[[nodiscard]] std::optional<FolderRow> FindFolder(StoreConnection& c, const StorePath& folder);
[[nodiscard]] FolderSettings ReadFolderSettings(StoreConnection& c, const FolderRow& folder);
[[nodiscard]] std::vector<StorePath> SubFolders(StoreConnection& c, const StorePath& folder);
// Every folder below the root, depth first, parents before children.
[[nodiscard]] std::vector<StorePath> AllFolders(StoreConnection& c);
// Creates the folder and missing parents (with default settings); sets the
// settings of the folder itself.
void CreateFolder(StoreConnection& c, const StorePath& folder, const FolderSettings& settings);
[[nodiscard]] std::optional<StorePath> FindFolderByAddress(StoreConnection& c,
                                                           const std::string& address);

[[nodiscard]] FoundObject Find(StoreConnection& c, const StorePath& path);
[[nodiscard]] bool ItemExists(StoreConnection& c, const StorePath& item);
[[nodiscard]] std::vector<StorePath> Items(StoreConnection& c, const StorePath& folder);
[[nodiscard]] std::int64_t ItemCount(StoreConnection& c, const StorePath& folder);
[[nodiscard]] StoredProperties ReadItemProperties(StoreConnection& c, const StorePath& item);
[[nodiscard]] std::string ReadMessage(StoreConnection& c, const StorePath& item);
void WriteItem(StoreConnection& c, const StorePath& item, const std::string& message,
               const StoredProperties& properties);
// Creates a new item named `wanted` or, when that name is taken, the first
// free of "<stem>-2<ext>", "<stem>-3<ext>", ...; returns where it went and
// its row id (never reused).
std::pair<StorePath, std::int64_t> InsertNewItem(StoreConnection& c, const StorePath& wanted,
                                                 const std::string& message,
                                                 const StoredProperties& properties);
StoredProperties ChangeProperties(StoreConnection& c, const StorePath& item,
                                  const PropertyChanges& changes);
void DeleteItem(StoreConnection& c, const StorePath& item);
void MoveItem(StoreConnection& c, const StorePath& from, const StorePath& to, bool overwrite);

// The row id of an item, or nullopt when there is none (no access check).
[[nodiscard]] std::optional<std::int64_t> ItemId(StoreConnection& c, const StorePath& item);
// Where the item with this row id is now, or nullopt when it is gone.
[[nodiscard]] std::optional<StorePath> ItemPath(StoreConnection& c, std::int64_t id);

// An item found through the registration index.
struct IndexedItem {
  StorePath path;
  std::optional<PropertyMap> properties;  // nullopt: damaged, see `damage`
  std::string damage;
};
// The event registration items directly in these folders (missing folders
// have none), in folder order, then by name.
[[nodiscard]] std::vector<IndexedItem> RegistrationItems(StoreConnection& c,
                                                         const std::vector<StorePath>& folders);
// Every event registration item of the store, in path order.
[[nodiscard]] std::vector<IndexedItem> AllRegistrationItems(StoreConnection& c);

}  // namespace quarvel::platform::store::rows
