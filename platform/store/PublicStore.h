// The public store stand-in: one public folder tree with its items, kept in
// the store database (StoreDatabase.h) in the store directory. Each call here
// is one transaction of its own; BeginTransaction() groups several.
//
// The tree's root holds the IPM folders and a hidden folder "non_ipm_subtree"
// for the store's own items (event registrations). Paths are StorePath
// values (see StoreUrl.h); property names are full schema names, and the two
// spellings of a MAPI property tag ("mapi/proptag/0x001A001E",
// "mapi/proptag/x001A001E") name one property. Messages and property text are
// kept byte-exact; an empty value is not kept at all.
//
// Failures throw PlatformError as StoreOperations.h says. Every method is
// thread-safe, and several processes may use one store at once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/StoreDatabase.h"
#include "platform/store/StoreOperations.h"
#include "platform/store/StoreRows.h"
#include "platform/store/StoreTransaction.h"
#include "platform/store/StoreUrl.h"

namespace quarvel::platform::store {

class PublicStore : public StoreOperations {
 public:
  // `directory` holds the database (kDatabaseFileName); both are created if
  // missing, and the hidden non_ipm_subtree with them.
  explicit PublicStore(std::filesystem::path directory);

  [[nodiscard]] const std::filesystem::path& Directory() const { return directory_; }
  [[nodiscard]] StoreDatabase& Database() const { return *database_; }

  // -- Folders ----------------------------------------------------------------
  [[nodiscard]] FoundObject Find(const StorePath& path) const override;
  [[nodiscard]] bool FolderExists(const StorePath& folder) const override;
  // Creates the folder and any missing parents; updates settings if it exists.
  void CreateFolder(const StorePath& folder, const FolderSettings& settings);
  [[nodiscard]] FolderSettings ReadFolder(const StorePath& folder) const override;
  [[nodiscard]] std::vector<StorePath> SubFolders(const StorePath& folder) const override;
  // The folder whose e-mail address equals `address` (ignoring case), if any.
  [[nodiscard]] std::optional<StorePath> FindFolderByAddress(const std::string& address) const;
  // Every folder below the root, depth first, parents before children.
  [[nodiscard]] std::vector<StorePath> AllFolders() const;

  // -- Items ------------------------------------------------------------------
  [[nodiscard]] bool ItemExists(const StorePath& item) const override;
  // Direct items of a folder, sorted by name (bytes).
  [[nodiscard]] std::vector<StorePath> Items(const StorePath& folder) const;
  [[nodiscard]] std::int64_t ItemCount(const StorePath& folder) const;
  [[nodiscard]] PropertyMap ReadProperties(const StorePath& item) const;
  [[nodiscard]] StoredProperties ReadItemProperties(const StorePath& item) const override;
  [[nodiscard]] std::string ReadMessage(const StorePath& item) const override;
  // Creates or replaces the item; its folder must exist.
  void WriteItem(const StorePath& item, const std::string& message, const PropertyMap& properties);
  void PutItem(const StorePath& item, const std::string& message,
               const StoredProperties& properties) override;
  StoredProperties ChangeProperties(const StorePath& item, const PropertyChanges& changes) override;
  void DeleteItem(const StorePath& item) override;
  void MoveItem(const StorePath& from, const StorePath& to, bool overwrite) override;

  // -- Registrations, found through their index ------------------------------
  [[nodiscard]] std::vector<rows::IndexedItem> RegistrationItems(
      const std::vector<StorePath>& folders) const;
  [[nodiscard]] std::vector<rows::IndexedItem> AllRegistrationItems() const;

  // A transaction of its own for several changes (see StoreTransaction.h).
  [[nodiscard]] std::unique_ptr<StoreTransaction> BeginTransaction() const;

 private:
  std::filesystem::path directory_;
  std::unique_ptr<StoreDatabase> database_;
};

}  // namespace quarvel::platform::store
