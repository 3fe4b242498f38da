// A set of rows read one at a time ("ADODB.Recordset"): the answer to a
// query. Fields are found by name, ignoring ASCII case.
//
// Failures throw PlatformError: kErrObjectClosed / kErrObjectOpen for the
// wrong state, kErrNoCurrentRecord when reading or moving past the last row,
// kErrItemNotFoundInCollection for a field the set does not have. A record
// set is used by one thread at a time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/ObjectState.h"
#include "platform/ado/Variant.h"

namespace quarvel::platform::ado {

class Connection;

class Recordset {
 public:
  static constexpr std::string_view kInterfaceName = "ado.Recordset";
  virtual ~Recordset() = default;

  // Runs `source` (a command text) on the connection, which must be open and
  // outlive the record set; positions on the first row.
  virtual void Open(const std::string& source, Connection* activeConnection) = 0;
  virtual void Close() = 0;
  [[nodiscard]] virtual ObjectState State() const = 0;

  // The platform's EOF property; named Eof because <cstdio> owns the macro EOF.
  [[nodiscard]] virtual bool Eof() const = 0;
  virtual void MoveNext() = 0;
  [[nodiscard]] virtual long RecordCount() const = 0;

  // Fields("name").Value of the current row.
  [[nodiscard]] virtual Variant Value(const std::string& fieldName) const = 0;
  [[nodiscard]] virtual std::vector<std::string> FieldNames() const = 0;
};

}  // namespace quarvel::platform::ado
