// One provider's side of one open connection: what a Connection, a Command, a
// Recordset and a Record opened on the connection ask of the data source.
//
// A session is created by the ProviderRegistry when a Connection opens and is
// owned by that Connection; it is used by one thread at a time, like the
// connection. Every operation throws PlatformError on failure.
#pragma once

#include <memory>
#include <string>

#include "platform/ado/Properties.h"
#include "platform/ado/Record.h"
#include "platform/ado/Rowset.h"

namespace quarvel::platform::ado {

class Connection;

class ProviderSession {
 public:
  virtual ~ProviderSession() = default;

  // A record of this provider, open on `source`; `connection` is the
  // connection that owns this session. Fails as Record::Open does.
  [[nodiscard]] virtual std::unique_ptr<Record> OpenRecord(const std::string& source,
                                                           Connection& connection, ConnectMode mode,
                                                           RecordCreateOptions createOptions,
                                                           RecordOpenOptions options,
                                                           const std::string& userName,
                                                           const std::string& password) = 0;

  // Runs a command text in the provider's query language; `properties` are
  // the command's named properties (empty when opened from a Recordset).
  [[nodiscard]] virtual Rowset Execute(const std::string& commandText,
                                       const Properties& properties) = 0;

  // One transaction at a time; the Connection refuses nesting before asking.
  virtual void BeginTrans() = 0;
  virtual void CommitTrans() = 0;
  virtual void RollbackTrans() = 0;
};

}  // namespace quarvel::platform::ado
