#include "sink/QuarvelCls.h"

#include <utility>

#include "common/RuleFileReader.h"
#include "platform/events/EventFlags.h"
#include "sink/AdoStoreAccess.h"
#include "sink/ModuleLocation.h"
#include "sink/ModuleState.h"
#include "sink/QuarvelModule.h"
#include "sink/RuleMatching.h"

namespace quarvel::sink {

using platform::EVT_SYNC_ABORTED;
using platform::EVT_SYNC_BEGIN;
using platform::EVT_SYNC_COMMITTED;
using platform::HRESULT;
using platform::S_OK;

QuarvelCls::QuarvelCls()
    : QuarvelCls([](platform::IExStoreDispEventInfo& eventInfo) -> std::unique_ptr<StoreAccess> {
        return std::make_unique<AdoStoreAccess>(eventInfo);
      }) {}

QuarvelCls::QuarvelCls(StoreAccessSource storeAccessSource, SinkServices services)
    : storeAccessSource_(std::move(storeAccessSource)), services_(std::move(services)) {}

void* QuarvelCls::QueryInterface(std::string_view interfaceName) {
  if (interfaceName == IObjectConstruct::kInterfaceName) {
    return static_cast<IObjectConstruct*>(this);
  }
  if (interfaceName == ICreateRegistration::kInterfaceName) {
    return static_cast<ICreateRegistration*>(this);
  }
  if (interfaceName == IExStoreSyncEvents::kInterfaceName) {
    return static_cast<IExStoreSyncEvents*>(this);
  }
  return nullptr;
}

// The constructor string has no meaning for the sink.
HRESULT QuarvelCls::Construct(platform::IUnknown*) { return S_OK; }

// Every registration that names the sink is accepted.
HRESULT QuarvelCls::Register(platform::IExStoreDispEventInfo*, const std::string&, long,
                             long* plResult) {
  if (plResult != nullptr) *plResult = 0;
  return S_OK;
}

HRESULT QuarvelCls::OnSyncSave(platform::IExStoreDispEventInfo* pEventInfo,
                               const std::string& bstrURLItem, long lFlags) {
  try {
    if (pEventInfo == nullptr) return S_OK;
    if (lFlags & EVT_SYNC_BEGIN) {
      LoadRuleSet();
      SaveBegin(*storeAccessSource_(*pEventInfo), bstrURLItem, lFlags);
    } else if (lFlags & EVT_SYNC_COMMITTED) {
      SaveCommit(*storeAccessSource_(*pEventInfo), bstrURLItem, lFlags, services_);
    } else if (lFlags & EVT_SYNC_ABORTED) {
      SaveAbort(*storeAccessSource_(*pEventInfo), bstrURLItem, lFlags);
    }
  } catch (...) {
    // The store must never see a failure from the sink: the save goes on as if
    // there were no sink.
  }
  return S_OK;
}

HRESULT QuarvelCls::OnSyncDelete(platform::IExStoreDispEventInfo* pEventInfo,
                                 const std::string& bstrURLItem, long lFlags) {
  try {
    if (pEventInfo == nullptr) return S_OK;
    if (lFlags & EVT_SYNC_BEGIN) {
      DeleteBegin(*storeAccessSource_(*pEventInfo), bstrURLItem, lFlags);
    } else if (lFlags & EVT_SYNC_COMMITTED) {
      DeleteCommit(*storeAccessSource_(*pEventInfo), bstrURLItem, lFlags);
    } else if (lFlags & EVT_SYNC_ABORTED) {
      DeleteAbort(*storeAccessSource_(*pEventInfo), bstrURLItem, lFlags);
    }
  } catch (...) {
    // As for saves: a delete proceeds whatever happens here.
  }
  return S_OK;
}

void QuarvelCls::LoadRuleSet() {
  // Kept per thread, so that loading at every save reuses its memory.
  thread_local RuleFileReader reader;
  auto& state = ThreadState();
  // Built in place, reusing the string's memory as well.
  state.RuleFilePath.assign(ModuleDirectory()).append("/").append(kRuleFileName);
  reader.Load(state.RuleFilePath);
  LoadRules(state, reader);
}

}  // namespace quarvel::sink
