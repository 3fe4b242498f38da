#include "platform/store/provider/StoreFolder.h"

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"

namespace quarvel::platform::store {

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
  if (!session_.Store().FolderExists(folder)) {
    throw PlatformError(kErrNotFound, "no folder at '" + url + "'");
  }
  settings_ = session_.Store().ReadFolder(folder);
}

std::string StoreFolder::EmailAddress() {
  if (!settings_) {
    throw PlatformError(ado::kErrObjectClosed,
                        "Operation is not allowed when the object is closed (Folder.EmailAddress)");
  }
  return settings_->emailAddress;
}

}  // namespace quarvel::platform::store
