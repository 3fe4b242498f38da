#include "sink/QuarvelCls.h"

#include <utility>

#include "platform/events/EventFlags.h"
#include "sink/AdoStoreAccess.h"
#include "sink/ModuleLocation.h"
#include "sink/ModuleState.h"
#include "sink/QuarvelModule.h"
#include "sink/RuleFile.h"

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
  state.RuleFilePath = ModuleDirectory() + "/" + std::string(kRuleFileName);
  reader.Load(state.RuleFilePath);
  const auto rules = reader.Rules();

  // Assigning into the strings already there reuses their memory too.
  const auto fill = [&](std::vector<std::string>& list, std::string_view RuleFileReader::RuleView::*member) {
    if (rules.empty()) {
      list.clear();
      return;
    }
    list.resize(rules.size() + 1);
    for (std::size_t i = 0; i < rules.size(); ++i) list[i].assign(rules[i].*member);
    list.back().clear();  // the empty entry after the last rule
  };
  fill(state.TargetList, &RuleFileReader::RuleView::target);
  fill(state.HeaderList, &RuleFileReader::RuleView::header);
  fill(state.ValueList, &RuleFileReader::RuleView::value);
  fill(state.ActionList, &RuleFileReader::RuleView::action);
  // At most 32767 rules load, so the count always fits.
  state.RuleCount = static_cast<std::int16_t>(static_cast<int>(state.TargetList.size()) - 1);
  state.PickupPath.assign(reader.PickupPath());
}

}  // namespace quarvel::sink
