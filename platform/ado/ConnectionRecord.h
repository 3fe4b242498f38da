// The record a program creates on its own ("New ADODB.Record"): it belongs to
// no provider until Open, which asks the given connection's provider for the
// record and from then on passes every call to that record. Close drops it,
// so the same object can be opened again, on another connection too.
//
// Open needs an open connection (kErrInvalidConnection otherwise) that
// outlives the record; any other call while closed throws
// PlatformError(kErrObjectClosed). Used by one thread at a time.
#pragma once

#include <memory>
#include <string>

#include "platform/ado/Record.h"

namespace quarvel::platform::ado {

class ConnectionRecord : public Record {
 public:
  Fields& GetFields() override;
  [[nodiscard]] std::string ParentURL() override;
  void Open(const std::string& source, Connection* activeConnection, ConnectMode mode,
            RecordCreateOptions createOptions, RecordOpenOptions options,
            const std::string& userName, const std::string& password) override;
  void Close() override;
  void DeleteRecord(const std::string& source, bool async) override;
  std::string MoveRecord(const std::string& source, const std::string& destination,
                         const std::string& userName, const std::string& password,
                         MoveRecordOptions options, bool async) override;

  [[nodiscard]] bool IsOpen() const { return inner_ != nullptr; }

 private:
  Record& Inner(const char* operation);

  std::unique_ptr<Record> inner_;
};

}  // namespace quarvel::platform::ado
