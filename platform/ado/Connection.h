// A connection to a data source through a named provider ("ADODB.Connection").
//
// Open picks the provider from the ProviderRegistry given at construction,
// which must outlive the connection; the provider's session lives until
// Close. Records and record sets opened on a connection keep a pointer to it,
// so the connection must outlive them too.
//
// One transaction at a time: BeginTrans while one is open fails, as do
// CommitTrans and RollbackTrans without one. Closing or destroying a
// connection with an open transaction rolls it back, so an interrupted
// change never stays half done.
//
// Failures throw PlatformError: kErrObjectOpen / kErrObjectClosed for the
// wrong state, kErrProviderNotFound for an unknown provider, and whatever the
// provider raises. A connection is used by one thread at a time.
#pragma once

#include <memory>
#include <string>

#include "platform/ado/ObjectState.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/ProviderSession.h"
#include "platform/ado/Recordset.h"

namespace quarvel::platform::ado {

class Connection {
 public:
  explicit Connection(const ProviderRegistry& providers);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Open(const std::string& provider, const std::string& connectionString,
            const std::string& userName = "", const std::string& password = "");
  void Close();
  [[nodiscard]] ObjectState State() const;

  // As given to Open; "" while closed.
  [[nodiscard]] const std::string& Provider() const { return provider_; }
  [[nodiscard]] const std::string& ConnectionString() const { return connectionString_; }

  // Returns the new nesting level (always 1).
  long BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  [[nodiscard]] bool InTransaction() const { return inTransaction_; }

  // The provider's session; throws kErrObjectClosed while closed.
  [[nodiscard]] ProviderSession& Session();

  // Runs a command text and returns its rows as an open record set.
  [[nodiscard]] std::unique_ptr<Recordset> Execute(const std::string& commandText);

 private:
  void RequireOpen(const char* operation) const;

  const ProviderRegistry& providers_;
  std::unique_ptr<ProviderSession> session_;
  std::string provider_;
  std::string connectionString_;
  bool inTransaction_ = false;
};

}  // namespace quarvel::platform::ado
