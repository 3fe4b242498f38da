#include "platform/ado/ConnectionRecord.h"

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/ado/Connection.h"

namespace quarvel::platform::ado {

Fields& ConnectionRecord::GetFields() { return Inner("Record.Fields").GetFields(); }

std::string ConnectionRecord::ParentURL() { return Inner("Record.ParentURL").ParentURL(); }

void ConnectionRecord::Open(const std::string& source, Connection* activeConnection,
                            ConnectMode mode, RecordCreateOptions createOptions,
                            RecordOpenOptions options, const std::string& userName,
                            const std::string& password) {
  if (inner_) {
    throw PlatformError(kErrObjectOpen,
                        "Operation is not allowed when the object is open (Record.Open)");
  }
  if (activeConnection == nullptr || activeConnection->State() != adStateOpen) {
    throw PlatformError(kErrInvalidConnection,
                        "The connection cannot be used to perform this operation. It is either "
                        "closed or invalid in this context (Record.Open '" +
                            source + "')");
  }
  auto record = activeConnection->Session().OpenRecord(source, *activeConnection, mode,
                                                       createOptions, options, userName, password);
  if (!record) throw PlatformError(kErrFail, "the provider opened no record for '" + source + "'");
  inner_ = std::move(record);
}

void ConnectionRecord::Close() {
  Inner("Record.Close").Close();
  inner_.reset();
}

void ConnectionRecord::DeleteRecord(const std::string& source, bool async) {
  Inner("Record.DeleteRecord").DeleteRecord(source, async);
}

std::string ConnectionRecord::MoveRecord(const std::string& source, const std::string& destination,
                                         const std::string& userName, const std::string& password,
                                         MoveRecordOptions options, bool async) {
  return Inner("Record.MoveRecord")
      .MoveRecord(source, destination, userName, password, options, async);
}

Record& ConnectionRecord::Inner(const char* operation) {
  if (!inner_) {
    throw PlatformError(kErrObjectClosed, std::string("Operation is not allowed when the object "
                                                      "is closed (") +
                                              operation + ")");
  }
  return *inner_;
}

}  // namespace quarvel::platform::ado
