#include "platform/store/StoreTransaction.h"

#include "platform/store/StoreRows.h"

namespace quarvel::platform::store {

template <typename Work>
auto StoreTransaction::Run(Work&& work) const {
  if (!open_) throw PlatformError(kErrFail, "the transaction was already committed or rolled back");
  return database_.Guarded([&] {
    if (!lease_) {
      auto lease = database_.Connect();
      lease->Exec("BEGIN IMMEDIATE");
      lease_.emplace(std::move(lease));
    } else if ((*lease_)->InAutocommit()) {
      throw PlatformError(kErrFail,
                          "the database ended the transaction after an error; its changes are "
                          "gone");
    }
    return work(**lease_);
  });
}

StoreTransaction::~StoreTransaction() {
  if (open_ && lease_) {
    try {
      Rollback();
    } catch (...) {
      // The lease rolls back whatever is still open when it returns to the pool.
    }
  }
}

void StoreTransaction::Commit() {
  if (!open_) throw PlatformError(kErrFail, "no transaction is open to commit");
  open_ = false;
  if (!lease_) return;
  auto lease = std::move(*lease_);
  lease_.reset();
  database_.Guarded([&] {
    if (lease->InAutocommit()) {
      throw PlatformError(kErrFail,
                          "the database ended the transaction after an error; nothing was "
                          "committed");
    }
    lease->Exec("COMMIT");
  });
}

void StoreTransaction::Rollback() {
  if (!open_) throw PlatformError(kErrFail, "no transaction is open to roll back");
  open_ = false;
  if (!lease_) return;
  auto lease = std::move(*lease_);
  lease_.reset();
  database_.Guarded([&] {
    if (!lease->InAutocommit()) lease->Exec("ROLLBACK");
  });
}

void StoreTransaction::Execute(const std::function<void(StoreConnection&)>& work) {
  Run([&](StoreConnection& c) { work(c); });
}

FoundObject StoreTransaction::Find(const StorePath& path) const {
  return Run([&](StoreConnection& c) { return rows::Find(c, path); });
}

bool StoreTransaction::FolderExists(const StorePath& folder) const {
  return Run([&](StoreConnection& c) { return rows::FindFolder(c, folder).has_value(); });
}

FolderSettings StoreTransaction::ReadFolder(const StorePath& folder) const {
  return Run([&](StoreConnection& c) {
    const auto row = rows::FindFolder(c, folder);
    if (!row) throw PlatformError(kErrNotFound, "object not found: " + folder.ToString());
    return rows::ReadFolderSettings(c, *row);
  });
}

std::vector<StorePath> StoreTransaction::SubFolders(const StorePath& folder) const {
  return Run([&](StoreConnection& c) { return rows::SubFolders(c, folder); });
}

bool StoreTransaction::ItemExists(const StorePath& item) const {
  return Run([&](StoreConnection& c) { return rows::ItemExists(c, item); });
}

StoredProperties StoreTransaction::ReadItemProperties(const StorePath& item) const {
  return Run([&](StoreConnection& c) { return rows::ReadItemProperties(c, item); });
}

std::string StoreTransaction::ReadMessage(const StorePath& item) const {
  return Run([&](StoreConnection& c) { return rows::ReadMessage(c, item); });
}

void StoreTransaction::PutItem(const StorePath& item, const std::string& message,
                               const StoredProperties& properties) {
  Run([&](StoreConnection& c) { rows::WriteItem(c, item, message, properties); });
}

StoredProperties StoreTransaction::ChangeProperties(const StorePath& item,
                                                    const PropertyChanges& changes) {
  return Run([&](StoreConnection& c) { return rows::ChangeProperties(c, item, changes); });
}

void StoreTransaction::DeleteItem(const StorePath& item) {
  Run([&](StoreConnection& c) { rows::DeleteItem(c, item); });
}

void StoreTransaction::MoveItem(const StorePath& from, const StorePath& to, bool overwrite) {
  Run([&](StoreConnection& c) { rows::MoveItem(c, from, to, overwrite); });
}

}  // namespace quarvel::platform::store
