// One database transaction of the store (a provider connection's
// BeginTrans ... CommitTrans): every change made through it commits together
// or not at all, and nobody else sees it before the commit.
//
// The transaction begins with its first read or write, IMMEDIATE: from then
// on it holds the store's write lock, so other writers - in this process or
// another - wait (up to kBusyTimeout) until it commits or rolls back. Keep it
// short, and make no change outside it on the same thread while it is open:
// that change would wait for the lock this transaction holds.
//
// Destroying an open transaction rolls it back. After an SQLite failure that
// ended the transaction, every further call fails with kErrFail. Used by one
// thread at a time; the database must outlive it.
#pragma once

#include <functional>
#include <optional>

#include "platform/store/StoreDatabase.h"
#include "platform/store/StoreOperations.h"

namespace quarvel::platform::store {

class StoreTransaction : public StoreOperations {
 public:
  explicit StoreTransaction(const StoreDatabase& database) : database_(database) {}
  ~StoreTransaction() override;
  StoreTransaction(const StoreTransaction&) = delete;
  StoreTransaction& operator=(const StoreTransaction&) = delete;

  // Whether Commit or Rollback may still be called.
  [[nodiscard]] bool IsOpen() const { return open_; }
  // Throws PlatformError(kErrFail) when the commit fails; the changes are then gone.
  void Commit();
  void Rollback();

  [[nodiscard]] FoundObject Find(const StorePath& path) const override;
  // Runs `work` on the transaction's connection, inside it.
  void Execute(const std::function<void(StoreConnection&)>& work);

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
  // Runs `work` on the transaction's connection, beginning it first if needed.
  template <typename Work>
  auto Run(Work&& work) const;

  const StoreDatabase& database_;
  mutable std::optional<StoreDatabase::Lease> lease_;  // set once begun
  bool open_ = true;
};

}  // namespace quarvel::platform::store
