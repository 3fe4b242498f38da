#include "platform/ado/Command.h"

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/ado/Connection.h"
#include "platform/ado/StaticRecordset.h"

namespace quarvel::platform::ado {

std::unique_ptr<Recordset> Command::Execute() {
  if (connection_ == nullptr || connection_->State() != adStateOpen) {
    throw PlatformError(kErrInvalidConnection,
                        "The connection cannot be used to perform this operation. It is either "
                        "closed or invalid in this context (Command.Execute)");
  }
  if (text_.empty()) throw PlatformError(kErrInvalidArgument, "Command.Execute: no command text");
  return std::make_unique<StaticRecordset>(connection_->Session().Execute(text_, properties_));
}

}  // namespace quarvel::platform::ado
