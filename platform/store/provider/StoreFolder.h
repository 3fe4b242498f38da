// The messaging layer's folder object over the store ("CDO.Folder").
//
// Open binds it to an existing folder (createOptions adFailIfNotExists or
// adOpenIfExists; the store creates no folders here: kErrInvalidArgument).
// A URL naming no folder fails with kErrNotFound. The settings are read at
// Open. Before Open, EmailAddress fails with ado::kErrObjectClosed.
// Used by one thread at a time.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/cdo/Folder.h"
#include "platform/com/IUnknown.h"
#include "platform/store/PublicStore.h"
#include "platform/store/provider/StoreSession.h"

namespace quarvel::platform::store {

class StoreFolder : public cdo::Folder, public IUnknown {
 public:
  // `operations` (the session's store by default) must outlive the object.
  explicit StoreFolder(StoreSession& session, StoreOperations* operations = nullptr);

  void* QueryInterface(std::string_view interfaceName) override;
  void Open(const std::string& url, ado::Connection* activeConnection, ado::ConnectMode mode,
            ado::RecordCreateOptions createOptions) override;
  [[nodiscard]] std::string EmailAddress() override;

 private:
  StoreOperations& operations_;
  std::optional<FolderSettings> settings_;
};

}  // namespace quarvel::platform::store
