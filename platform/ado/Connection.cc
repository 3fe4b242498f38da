#include "platform/ado/Connection.h"

#include <utility>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/ado/StaticRecordset.h"

namespace quarvel::platform::ado {

Connection::Connection(const ProviderRegistry& providers) : providers_(providers) {}

Connection::~Connection() {
  try {
    if (session_) Close();
  } catch (...) {
    // A destructor cannot report; the rollback was attempted.
  }
}

void Connection::Open(const std::string& provider, const std::string& connectionString,
                      const std::string& userName, const std::string& password) {
  if (session_) {
    throw PlatformError(kErrObjectOpen,
                        "Operation is not allowed when the object is open (Connection.Open)");
  }
  session_ = providers_.Connect(provider, {connectionString, userName, password});
  provider_ = provider;
  connectionString_ = connectionString;
  inTransaction_ = false;
}

void Connection::Close() {
  RequireOpen("Connection.Close");
  auto session = std::move(session_);
  provider_.clear();
  connectionString_.clear();
  if (std::exchange(inTransaction_, false)) session->RollbackTrans();
}

ObjectState Connection::State() const { return session_ ? adStateOpen : adStateClosed; }

long Connection::BeginTrans() {
  RequireOpen("Connection.BeginTrans");
  if (inTransaction_) {
    throw PlatformError(kErrFail,
                        "a transaction is already open; nested transactions are not "
                        "supported");
  }
  session_->BeginTrans();
  inTransaction_ = true;
  return 1;
}

void Connection::CommitTrans() {
  RequireOpen("Connection.CommitTrans");
  if (!inTransaction_) throw PlatformError(kErrFail, "no transaction is open to commit");
  inTransaction_ = false;
  session_->CommitTrans();
}

void Connection::RollbackTrans() {
  RequireOpen("Connection.RollbackTrans");
  if (!inTransaction_) throw PlatformError(kErrFail, "no transaction is open to roll back");
  inTransaction_ = false;
  session_->RollbackTrans();
}

ProviderSession& Connection::Session() {
  RequireOpen("Connection.Session");
  return *session_;
}

std::unique_ptr<Recordset> Connection::Execute(const std::string& commandText) {
  RequireOpen("Connection.Execute");
  return std::make_unique<StaticRecordset>(session_->Execute(commandText, {}));
}

void Connection::RequireOpen(const char* operation) const {
  if (!session_) {
    throw PlatformError(kErrObjectClosed, std::string("Operation is not allowed when the object "
                                                      "is closed (") +
                                              operation + ")");
  }
}

}  // namespace quarvel::platform::ado
