// A Recordset over rows held in memory: what a provider's answer becomes,
// whether it comes from Recordset::Open, Connection::Execute or
// Command::Execute. It keeps its own copy of the rows; nothing it reads
// changes afterwards.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/ado/Recordset.h"
#include "platform/ado/Rowset.h"

namespace quarvel::platform::ado {

class StaticRecordset : public Recordset {
 public:
  // A closed record set, to be opened with Open.
  StaticRecordset() = default;
  // An open record set over `rows`; throws PlatformError(kErrFail) when a
  // row's width differs from the number of fields.
  explicit StaticRecordset(Rowset rows);

  void Open(const std::string& source, Connection* activeConnection) override;
  void Close() override;
  [[nodiscard]] ObjectState State() const override;
  [[nodiscard]] bool Eof() const override;
  void MoveNext() override;
  [[nodiscard]] long RecordCount() const override;
  [[nodiscard]] Variant Value(const std::string& fieldName) const override;
  [[nodiscard]] std::vector<std::string> FieldNames() const override;

 private:
  void Load(Rowset rows);
  void RequireOpen(const char* operation) const;

  bool open_ = false;
  Rowset rows_;
  std::size_t current_ = 0;
};

}  // namespace quarvel::platform::ado
