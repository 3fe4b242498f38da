// What the store's objects (records, messages, folders, folder queries) do
// with folders and items, wherever it takes effect: straight in the database
// (PublicStore), inside one connection's transaction (StoreTransaction), or
// on an item whose save is still in its begin phase (the store events'
// pending item). The objects are written once against this interface.
//
// Paths are StorePath values (see StoreUrl.h); every name is checked again
// before use (a bad one throws kErrInvalidArgument). Failures throw
// PlatformError: kErrNotFound for a missing folder or item, kErrAccessDenied
// for an item in a folder that denies access (so "denied" never reads as "not
// found"), kErrFileExists where a name is taken, kErrFail for the database.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ado/Variant.h"
#include "platform/store/StoreUrl.h"

namespace quarvel::platform::store {

// Property values by full schema name.
using PropertyMap = std::map<std::string, ado::Variant>;
// The defined size (characters) of text properties that have one.
using PropertySizes = std::map<std::string, long>;

// An item's properties as the store keeps them. Names are canonical
// (CanonicalPropertyName); an empty value is never kept.
struct StoredProperties {
  PropertyMap values;
  PropertySizes sizes;
  bool operator==(const StoredProperties&) const = default;
};

// A property to set, or nullopt to remove it. An assigned value keeps the
// defined size the property has unless `definedSize` gives one; a created one
// (`created`) has exactly `definedSize` (0: none).
struct PropertyValue {
  ado::Variant value;
  long definedSize = 0;
  bool created = false;
};
using PropertyChanges = std::map<std::string, std::optional<PropertyValue>>;

// Throws PlatformError(kErrDataOverflow) when `value` is text of more
// characters (code points; a byte outside valid UTF-8 counts as one) than a
// defined size above 0 allows.
void CheckFits(const std::string& name, const ado::Variant& value, long definedSize);

// Applies changes as the store does: a removal or an empty value drops the
// property; a set keeps the defined size it had unless the change gives one.
void ApplyPropertyChanges(StoredProperties& properties, const PropertyChanges& changes);

// Canonical key of a property name: MAPI tag names in one spelling
// ("http://schemas.microsoft.com/mapi/proptag/x" + lower-case hex digits).
[[nodiscard]] std::string CanonicalPropertyName(const std::string& name);

struct FolderSettings {
  std::string displayName;    // defaults to the folder's name
  std::string emailAddress;   // "" when the folder is not mail-enabled
  bool hidden = false;        // DAV:ishidden
  bool accessDenied = false;  // the store refuses access to the folder's items
  bool operator==(const FolderSettings&) const = default;
};

// What a path names: nothing, a folder, or an item with its properties.
struct FoundObject {
  enum class Kind { kNothing, kFolder, kItem };
  Kind kind = Kind::kNothing;
  StoredProperties properties;  // an item's
};

class StoreOperations {
 public:
  virtual ~StoreOperations() = default;

  // One look, for opening a record: an item in a folder that denies access
  // throws kErrAccessDenied; a missing parent folder is nothing.
  [[nodiscard]] virtual FoundObject Find(const StorePath& path) const = 0;

  [[nodiscard]] virtual bool FolderExists(const StorePath& folder) const = 0;
  [[nodiscard]] virtual FolderSettings ReadFolder(const StorePath& folder) const = 0;
  // Direct subfolders, sorted by name (bytes).
  [[nodiscard]] virtual std::vector<StorePath> SubFolders(const StorePath& folder) const = 0;

  [[nodiscard]] virtual bool ItemExists(const StorePath& item) const = 0;
  [[nodiscard]] virtual StoredProperties ReadItemProperties(const StorePath& item) const = 0;
  [[nodiscard]] virtual std::string ReadMessage(const StorePath& item) const = 0;
  // Creates or replaces the item (message and all properties); its folder
  // must exist and no folder may have its name.
  virtual void PutItem(const StorePath& item, const std::string& message,
                       const StoredProperties& properties) = 0;
  // Sets and removes properties of an existing item; returns them all as
  // saved. Text longer than its defined size is refused
  // (kErrDataOverflow), never cut.
  virtual StoredProperties ChangeProperties(const StorePath& item,
                                            const PropertyChanges& changes) = 0;
  virtual void DeleteItem(const StorePath& item) = 0;
  // Moves an item into a public folder below the root (never the root or the
  // store's own non_ipm_subtree: kErrAccessDenied), replacing an item of the
  // destination name when `overwrite` is set (otherwise kErrFileExists).
  virtual void MoveItem(const StorePath& from, const StorePath& to, bool overwrite) = 0;
};

}  // namespace quarvel::platform::store
