#include "platform/ado/StaticRecordset.h"

#include <utility>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Properties.h"

namespace quarvel::platform::ado {

StaticRecordset::StaticRecordset(Rowset rows) { Load(std::move(rows)); }

void StaticRecordset::Load(Rowset rows) {
  for (const auto& row : rows.rows) {
    if (row.size() != rows.fields.size()) {
      throw PlatformError(kErrFail, "provider answered a row of " + std::to_string(row.size()) +
                                        " values for " + std::to_string(rows.fields.size()) +
                                        " fields");
    }
  }
  rows_ = std::move(rows);
  current_ = 0;
  open_ = true;
}

void StaticRecordset::Open(const std::string& source, Connection* activeConnection) {
  if (open_) {
    throw PlatformError(kErrObjectOpen,
                        "Operation is not allowed when the object is open (Recordset.Open)");
  }
  if (activeConnection == nullptr || activeConnection->State() != adStateOpen) {
    throw PlatformError(kErrInvalidConnection,
                        "The connection cannot be used to perform this operation. It is either "
                        "closed or invalid in this context (Recordset.Open)");
  }
  Load(activeConnection->Session().Execute(source, {}));
}

void StaticRecordset::Close() {
  RequireOpen("Recordset.Close");
  open_ = false;
  rows_ = {};
  current_ = 0;
}

ObjectState StaticRecordset::State() const { return open_ ? adStateOpen : adStateClosed; }

bool StaticRecordset::Eof() const {
  RequireOpen("Recordset.EOF");
  return current_ >= rows_.rows.size();
}

void StaticRecordset::MoveNext() {
  if (Eof()) {
    throw PlatformError(kErrNoCurrentRecord,
                        "Either BOF or EOF is True, or the current record has been deleted "
                        "(Recordset.MoveNext)");
  }
  ++current_;
}

long StaticRecordset::RecordCount() const {
  RequireOpen("Recordset.RecordCount");
  return static_cast<long>(rows_.rows.size());
}

Variant StaticRecordset::Value(const std::string& fieldName) const {
  RequireOpen("Recordset.Fields");
  const NameLess less;
  std::size_t column = 0;
  while (column < rows_.fields.size() &&
         (less(rows_.fields[column], fieldName) || less(fieldName, rows_.fields[column]))) {
    ++column;
  }
  if (column == rows_.fields.size()) {
    throw PlatformError(kErrItemNotFoundInCollection,
                        "Item cannot be found in the collection corresponding to the requested "
                        "name or ordinal: '" +
                            fieldName + "'");
  }
  if (current_ >= rows_.rows.size()) {
    throw PlatformError(kErrNoCurrentRecord,
                        "Either BOF or EOF is True, or the current record has been deleted "
                        "(reading '" +
                            fieldName + "')");
  }
  return rows_.rows[current_][column];
}

std::vector<std::string> StaticRecordset::FieldNames() const {
  RequireOpen("Recordset.Fields");
  return rows_.fields;
}

void StaticRecordset::RequireOpen(const char* operation) const {
  if (!open_) {
    throw PlatformError(kErrObjectClosed, std::string("Operation is not allowed when the object "
                                                      "is closed (") +
                                              operation + ")");
  }
}

}  // namespace quarvel::platform::ado
