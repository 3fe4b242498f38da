// Synchronous store events: the store calls a registered sink once per phase
// of every save or delete, on the thread that performs the change.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/IUnknown.h"

namespace quarvel::platform {

class IExStoreDispEventInfo;

class IExStoreSyncEvents {
 public:
  static constexpr std::string_view kInterfaceName = "IExStoreSyncEvents";
  virtual ~IExStoreSyncEvents() = default;

  virtual HRESULT OnSyncSave(IExStoreDispEventInfo* pEventInfo, const std::string& bstrURLItem,
                             long lFlags) = 0;
  virtual HRESULT OnSyncDelete(IExStoreDispEventInfo* pEventInfo, const std::string& bstrURLItem,
                               long lFlags) = 0;
};

}  // namespace quarvel::platform
