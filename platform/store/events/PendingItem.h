// An item whose save is in its begin phase: it lives in memory until the
// save commits, and the sinks' records and message objects work on it
// through this view, which shows the pending item where it will be saved
// and the store itself for everything else. What the begin phase does to the
// item (property changes, a delete) is what commits with it - or, when the
// save fails, nothing at all.
//
// Moving the pending item is refused (kErrFail): it is not in any folder yet.
// Other failures as the store's. Used by one thread (the save's).
#pragma once

#include <string>

#include "platform/store/PublicStore.h"

namespace quarvel::platform::store {

class PendingItem : public StoreOperations {
 public:
  // `store` must outlive the view.
  PendingItem(PublicStore& store, StorePath path, std::string message, StoredProperties properties);

  [[nodiscard]] const StorePath& Path() const { return path_; }
  [[nodiscard]] bool Deleted() const { return deleted_; }
  [[nodiscard]] const std::string& Message() const { return message_; }
  [[nodiscard]] const StoredProperties& Properties() const { return properties_; }

  [[nodiscard]] FoundObject Find(const StorePath& path) const override;
  [[nodiscard]] bool FolderExists(const StorePath& folder) const override;
  [[nodiscard]] FolderSettings ReadFolder(const StorePath& folder) const override;
  [[nodiscard]] std::vector<StorePath> SubFolders(const StorePath& folder) const override;
  [[nodiscard]] bool ItemExists(const StorePath& item) const override;
  [[nodiscard]] StoredProperties ReadItemProperties(const StorePath& item) const override;
  [[nodiscard]] std::string ReadMessage(const StorePath& item) const override;
  void PutItem(const StorePath& item, const std::string& message,
               const StoredProperties& properties) override;
  StoredProperties ChangeProperties(const StorePath& item, const PropertyChanges& changes) override;
  void DeleteItem(const StorePath& item) override;
  void MoveItem(const StorePath& from, const StorePath& to, bool overwrite) override;

 private:
  // Whether `item` names the pending item; throws kErrNotFound when it does
  // and the item was deleted.
  [[nodiscard]] bool IsMine(const StorePath& item) const;

  PublicStore& store_;
  StorePath path_;
  std::string message_;
  StoredProperties properties_;
  bool deleted_ = false;
};

}  // namespace quarvel::platform::store
