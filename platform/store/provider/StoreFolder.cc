#include "platform/store/provider/StoreFolder.h"

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"

namespace quarvel::platform::store {

StoreFolder::StoreFolder(StoreSession& session, StoreOperations* operations)
    : operations_(operations != nullptr ? *operations : session.Store()) {}

void* StoreFolder::QueryInterface(std::string_view interfaceName) {
  if (interfaceName == cdo::Folder::kInterfaceName) return static_cast<cdo::Folder*>(this);
  return nullptr;
}

void StoreFolder::Open(const std::string& url, ado::Connection* /*activeConnection*/,
                       ado::ConnectMode /*mode*/, ado::RecordCreateOptions createOptions) {
  if (createOptions != ado::adFailIfNotExists && createOptions != ado::adOpenIfExists) {
    throw PlatformError(kErrInvalidArgument,
                        "CDO.Folder: the store creates no folders ('" + url + "')");
  }
  const StorePath folder = ParseStoreUrl(url);
  if (!operations_.FolderExists(folder)) {
    throw PlatformError(kErrNotFound, "no folder at '" + url + "'");
  }
  settings_ = operations_.ReadFolder(folder);
}

std::string StoreFolder::EmailAddress() {
  if (!settings_) {
    throw PlatformError(ado::kErrObjectClosed,
                        "Operation is not allowed when the object is closed (Folder.EmailAddress)");
  }
  return settings_->emailAddress;
}

}  // namespace quarvel::platform::store
