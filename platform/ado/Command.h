// A command to run on a connection ("ADODB.Command"): its text, named
// properties that tune how the provider runs it (e.g. "searchscope",
// "Chase Referrals" for a directory), and Execute.
//
// The active connection is borrowed and must outlive the command while set.
// Execute throws PlatformError: kErrInvalidConnection without an open
// connection, kErrInvalidArgument for an empty text, and whatever the
// provider raises. Used by one thread at a time.
#pragma once

#include <memory>
#include <string>

#include "platform/ado/Properties.h"
#include "platform/ado/Recordset.h"

namespace quarvel::platform::ado {

class Connection;

class Command {
 public:
  void SetActiveConnection(Connection* connection) { connection_ = connection; }
  [[nodiscard]] Connection* ActiveConnection() const { return connection_; }

  void SetCommandText(std::string text) { text_ = std::move(text); }
  [[nodiscard]] const std::string& CommandText() const { return text_; }

  // Properties("name") = value; names ignore ASCII case.
  [[nodiscard]] Properties& GetProperties() { return properties_; }
  [[nodiscard]] const Properties& GetProperties() const { return properties_; }

  // The provider's answer as an open record set, owned by the caller.
  [[nodiscard]] std::unique_ptr<Recordset> Execute();

 private:
  Connection* connection_ = nullptr;
  std::string text_;
  Properties properties_;
};

}  // namespace quarvel::platform::ado
