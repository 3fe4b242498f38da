// What one connection's open transaction changed in the store, so that
// rolling it back can undo it: before an item is first created, replaced,
// changed, deleted or moved within the transaction, its state (whether it
// existed, its message and properties) is kept; RollbackTrans puts every kept
// item back, newest first, and deletes items the transaction created.
//
// The store has no locks across calls: a rollback restores what this
// connection saw, overwriting later changes by others to the same items.
// Used by one thread at a time, with its connection.
#pragma once

#include <string>
#include <vector>

#include "platform/store/PublicStore.h"

namespace quarvel::platform::store {

class StoreTransaction {
 public:
  explicit StoreTransaction(PublicStore& store) : store_(store) {}

  // Throws PlatformError(kErrFail) when a transaction is already open.
  void Begin();
  [[nodiscard]] bool IsOpen() const { return open_; }

  // Keeps the item's state if a transaction is open and the item was not
  // kept yet; does nothing otherwise. Throws as reading the item does
  // (e.g. kErrAccessDenied), before anything is changed.
  void Remember(const StorePath& item);

  // Forgets the kept states. Throws PlatformError(kErrFail) without a transaction.
  void Commit();
  // Restores every kept item; goes on past an item that cannot be restored
  // and then throws PlatformError(kErrFail) naming the items left changed.
  void Rollback();

 private:
  struct Kept {
    StorePath item;
    bool existed = false;
    std::string message;
    PropertyMap properties;
  };

  PublicStore& store_;
  bool open_ = false;
  std::vector<Kept> kept_;
};

}  // namespace quarvel::platform::store
