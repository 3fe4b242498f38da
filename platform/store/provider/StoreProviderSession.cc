#include "platform/store/provider/StoreProviderSession.h"

#include <utility>

#include "platform/PlatformError.h"
#include "platform/store/provider/StoreRecord.h"

namespace quarvel::platform::store {

StoreProviderSession::StoreProviderSession(StoreSession& owner, const ado::ConnectionInfo& info)
    : owner_(owner) {
  if (!owner_.Store().FolderExists(ParseStoreUrl(info.connectionString))) {
    throw PlatformError(kErrNotFound,
                        "no store folder at connection URL '" + info.connectionString + "'");
  }
}

std::unique_ptr<ado::Record> StoreProviderSession::OpenRecord(
    const std::string& source, ado::Connection& connection, ado::ConnectMode mode,
    ado::RecordCreateOptions createOptions, ado::RecordOpenOptions options,
    const std::string& userName, const std::string& password) {
  auto record = std::make_unique<StoreRecord>(owner_);
  record->Open(source, &connection, mode, createOptions, options, userName, password);
  return record;
}

ado::Rowset StoreProviderSession::Execute(const std::string& commandText,
                                          const ado::Properties& /*properties*/) {
  return owner_.QueryFolders(commandText);
}

void StoreProviderSession::BeginTrans() {
  if (transaction_) {
    throw PlatformError(kErrFail,
                        "a transaction is already open; nested transactions are not supported");
  }
  transaction_ = owner_.Store().BeginTransaction();
}

void StoreProviderSession::CommitTrans() {
  if (!transaction_) throw PlatformError(kErrFail, "no transaction is open to commit");
  std::exchange(transaction_, nullptr)->Commit();
}

void StoreProviderSession::RollbackTrans() {
  if (!transaction_) throw PlatformError(kErrFail, "no transaction is open to roll back");
  std::exchange(transaction_, nullptr)->Rollback();
}

}  // namespace quarvel::platform::store
