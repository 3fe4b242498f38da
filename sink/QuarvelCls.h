// The sink class the store creates through the component host, ProgID
// "Quarvel.QuarvelCls". It implements object construction, the registration
// check and the synchronous store events, and dispatches every event on its
// phase bits to one routine of QuarvelModule.
//
// An object holds no state between calls; the rule data lives in the calling
// thread's ModuleState. Nothing ever fails towards the store: every error
// below an event method is trapped, the rest of that call is abandoned, and
// the method returns S_OK. The sink never vetoes a change and never logs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/com/IUnknown.h"
#include "platform/events/ICreateRegistration.h"
#include "platform/events/IExStoreDispEventInfo.h"
#include "platform/events/IExStoreSyncEvents.h"
#include "platform/events/IObjectConstruct.h"
#include "sink/SinkServices.h"
#include "sink/StoreAccess.h"

namespace quarvel::sink {

class QuarvelCls final : public platform::IUnknown,
                         public platform::IObjectConstruct,
                         public platform::ICreateRegistration,
                         public platform::IExStoreSyncEvents {
 public:
  static constexpr std::string_view kProgId = "Quarvel.QuarvelCls";

  // How an event's information yields the sink's view of the store.
  using StoreAccessSource =
      std::function<std::unique_ptr<StoreAccess>(platform::IExStoreDispEventInfo&)>;

  // Reaches the store through the event information's record and objects,
  // and the system's clock, random numbers, GUIDs and files.
  QuarvelCls();
  explicit QuarvelCls(StoreAccessSource storeAccessSource,
                      SinkServices services = SystemServices());

  void* QueryInterface(std::string_view interfaceName) override;

  platform::HRESULT Construct(platform::IUnknown* pCtorObj) override;
  platform::HRESULT Register(platform::IExStoreDispEventInfo* pEventInfo,
                             const std::string& bstrURLItem, long lFlags, long* plResult) override;
  platform::HRESULT OnSyncSave(platform::IExStoreDispEventInfo* pEventInfo,
                               const std::string& bstrURLItem, long lFlags) override;
  platform::HRESULT OnSyncDelete(platform::IExStoreDispEventInfo* pEventInfo,
                                 const std::string& bstrURLItem, long lFlags) override;

 private:
  // Refills this thread's rule lists and pickup path from the rule file
  // beside the module.
  void LoadRuleSet();

  StoreAccessSource storeAccessSource_;
  SinkServices services_;
};

}  // namespace quarvel::sink
