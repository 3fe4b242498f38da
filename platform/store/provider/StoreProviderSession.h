// The store provider's session of one connection ("ExOLEDB.DataSource"):
// records opened through it, command texts (folder queries) and the
// connection's transaction: a database transaction (see StoreTransaction.h)
// that covers every read and change through records opened on this
// connection while it is open. Rolling back undoes them all; nothing else
// is restored by hand.
//
// Created by the provider factory that StoreSession::RegisterProvider adds;
// owned by its connection; used by one thread at a time.
#pragma once

#include <memory>
#include <string>

#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/ProviderSession.h"
#include "platform/store/StoreTransaction.h"
#include "platform/store/StoreUrl.h"
#include "platform/store/provider/StoreSession.h"

namespace quarvel::platform::store {

class StoreProviderSession : public ado::ProviderSession {
 public:
  // Throws kErrInvalidArgument when the connection string is no store URL,
  // kErrNotFound when it names no folder.
  StoreProviderSession(StoreSession& owner, const ado::ConnectionInfo& info);

  [[nodiscard]] StoreSession& Owner() const { return owner_; }
  // The open transaction, or nullptr when none is open.
  [[nodiscard]] StoreTransaction* Transaction() { return transaction_.get(); }

  std::unique_ptr<ado::Record> OpenRecord(const std::string& source, ado::Connection& connection,
                                          ado::ConnectMode mode,
                                          ado::RecordCreateOptions createOptions,
                                          ado::RecordOpenOptions options,
                                          const std::string& userName,
                                          const std::string& password) override;
  // Folder queries only; command properties change nothing here.
  ado::Rowset Execute(const std::string& commandText, const ado::Properties& properties) override;
  void BeginTrans() override;
  void CommitTrans() override;
  void RollbackTrans() override;

 private:
  StoreSession& owner_;
  std::unique_ptr<StoreTransaction> transaction_;
};

}  // namespace quarvel::platform::store
