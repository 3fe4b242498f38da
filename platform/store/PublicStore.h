// The public store stand-in: one public folder tree kept as plain files that a
// person can read and edit.
//
// Layout below the store directory (EXSIM_ROOT/store):
//   <folder>/                    one directory per folder, nested as the tree
//   <folder>/.folder.json        the folder's settings (FolderSettings)
//   <folder>/<item>              an item's message, byte-exact ("" for items
//                                without one, such as registration items)
//   <folder>/.<item>.props.json  the item's store properties, by full name
// The tree's root holds the IPM folders and a hidden folder "non_ipm_subtree"
// for the store's own items (event registrations).
//
// Paths here are StorePath values (see StoreUrl.h): folder and item names
// relative to the root, already checked never to leave the store directory.
// Property names are full schema names; the two spellings of a MAPI property
// tag ("mapi/proptag/0x001A001E", "mapi/proptag/x001A001E") name one property.
//
// Failures throw PlatformError: kErrNotFound for a missing folder or item,
// kErrAccessDenied for a folder whose settings deny access (its items cannot
// be read or created), kErrFail for I/O errors. Every method is thread-safe;
// each write replaces its file at once (temporary file, then rename).
//
// Symbolic links inside the store are never followed: listings skip them, a
// folder path through one is refused with kErrAccessDenied, and a link in an
// item's place is no item (writing the item replaces the link, not its
// target). Names are checked again (CheckName) before any use: a bad one
// throws kErrInvalidArgument. Property text is kept as UTF-8; a byte that is
// not part of valid UTF-8 is stored as U+FFFD, and an empty value is not
// stored at all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Variant.h"
#include "platform/store/StoreUrl.h"

namespace quarvel::platform::store {

using PropertyMap = std::map<std::string, ado::Variant>;

// Canonical key of a property name: MAPI tag names in one spelling
// ("http://schemas.microsoft.com/mapi/proptag/x" + lower-case hex digits).
[[nodiscard]] std::string CanonicalPropertyName(const std::string& name);

struct FolderSettings {
  std::string displayName;    // defaults to the directory name
  std::string emailAddress;   // "" when the folder is not mail-enabled
  bool hidden = false;        // DAV:ishidden
  bool accessDenied = false;  // the store refuses access to the folder's items
  bool operator==(const FolderSettings&) const = default;
};

class PublicStore {
 public:
  // `directory` is the store directory; it is created if missing.
  explicit PublicStore(std::filesystem::path directory);

  [[nodiscard]] const std::filesystem::path& Directory() const { return directory_; }

  // -- Folders ----------------------------------------------------------------
  [[nodiscard]] bool FolderExists(const StorePath& folder) const;
  // Creates the folder and any missing parents; updates settings if it exists.
  void CreateFolder(const StorePath& folder, const FolderSettings& settings);
  [[nodiscard]] FolderSettings ReadFolder(const StorePath& folder) const;
  // Direct subfolders, sorted by name.
  [[nodiscard]] std::vector<StorePath> SubFolders(const StorePath& folder) const;
  // The folder whose e-mail address equals `address` (ignoring case), if any.
  [[nodiscard]] std::optional<StorePath> FindFolderByAddress(const std::string& address) const;
  // Every folder below the root, depth first, parents before children.
  [[nodiscard]] std::vector<StorePath> AllFolders() const;

  // -- Items ------------------------------------------------------------------
  // Every item method, ItemExists and Items included, throws kErrAccessDenied
  // in a folder that denies access, so "denied" never reads as "not found".
  [[nodiscard]] bool ItemExists(const StorePath& item) const;
  // Direct items of a folder, sorted by name.
  [[nodiscard]] std::vector<StorePath> Items(const StorePath& folder) const;
  [[nodiscard]] PropertyMap ReadProperties(const StorePath& item) const;
  [[nodiscard]] std::string ReadMessage(const StorePath& item) const;
  // Creates or replaces the item; its folder must exist.
  void WriteItem(const StorePath& item, const std::string& message, const PropertyMap& properties);
  // Replaces only the properties of an existing item.
  void WriteProperties(const StorePath& item, const PropertyMap& properties);
  void DeleteItem(const StorePath& item);
  // Moves an item into another folder (which must exist), replacing an item
  // of the destination name when `overwrite` is set; otherwise kErrFileExists.
  void MoveItem(const StorePath& from, const StorePath& to, bool overwrite);

 private:
  // The directory of a path, after checking every name again and refusing
  // symbolic links, so nothing outside Directory() is ever reached.
  std::filesystem::path Resolve(const StorePath& path) const;
  std::filesystem::path ExistingFolder(const StorePath& folder) const;
  // The folder directory of an item whose folder exists and grants access.
  std::filesystem::path AccessibleItemFolder(const StorePath& item) const;
  std::filesystem::path ExistingItem(const StorePath& item) const;
  std::string DefaultDisplayName(const StorePath& folder) const;
  std::vector<StorePath> Entries(const StorePath& folder, std::filesystem::file_type type) const;
  void WriteAtomically(const std::filesystem::path& target, std::string_view content);

  std::filesystem::path directory_;
  mutable std::recursive_mutex mutex_;
  std::uint64_t tempSerial_ = 0;  // names temporary files; guarded by mutex_
};

}  // namespace quarvel::platform::store
