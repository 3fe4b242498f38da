// One saved message through the sink: the begin phase (with its re-read of
// the rule file) and the commit phase, through OnSyncSave against the
// in-memory store, for rule lists of growing length. The plain read of the
// same rule file is the baseline reported beside it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <utility>

#include "platform/events/EventFlags.h"
#include "sink/ModuleLocation.h"
#include "sink/QuarvelCls.h"
#include "sink/SinkTestSupport.h"

namespace {

using namespace quarvel;
using namespace quarvel::sink::testing;

class NoEventInfo : public platform::IExStoreDispEventInfo {
 public:
  platform::ado::Record& EventRecord() override { throw std::logic_error("not used"); }
  platform::IObjectFactory& Objects() override { throw std::logic_error("not used"); }
  void AbortChange(long) override {}
};

// `rules` header rules that never match; when asked, the last one matches.
void WriteRuleFile(const std::string& path, int rules, bool lastMatches) {
  std::ofstream file(path);
  file << "[Quarvel RuleSet1]\r\n";
  for (int n = 1; n <= rules; ++n) {
    const auto i = std::to_string(n);
    const bool match = lastMatches && n == rules;
    const char* header = match || n % 2 == 0 ? "X-Spam-Flag" : "X-Spam-Status";
    file << "ConditionHeader" << i << "=" << header << "\r\n"
         << "ConditionValue" << i << "=" << (match ? "YES" : "Level " + i + " {>9}") << "\r\n"
         << "Action" << i << "=move to\r\n"
         << "Target" << i << "=" << kJunkListed << "\r\n"
         << "TargetDisplayName" << i << "=Junk Mail\r\n";
  }
  file << "[Quarvel PickupDir]\r\nPath=/var/spool/pickup\r\n";
}

void BM_SaveThroughOnSyncSave(benchmark::State& state) {
  const int rules = static_cast<int>(state.range(0));
  const bool lastMatches = state.range(1) != 0;
  const auto path = sink::ModuleDirectory() + "/Quarvel.ini";
  WriteRuleFile(path, rules, lastMatches);

  sink::DryRunStore store;
  AddFolders(store);
  const auto item = DeliveredItem();
  // One GUID for every message: each move replaces the item the one before
  // left in the junk folder, so the store keeps its size however many
  // iterations run, and the time per message does not creep up with them.
  auto services = MemoryServices();
  services.newGuid = [] {
    sink::Guid guid;
    guid.data1 = 1;
    return std::optional<sink::Guid>(guid);
  };
  sink::QuarvelCls sinkObject(
      [&](platform::IExStoreDispEventInfo&) { return store.OpenRecord(kItem); },
      std::move(services));
  NoEventInfo info;
  for (auto _ : state) {
    store.PutItem(kItem, item);
    sinkObject.OnSyncSave(&info, kItem, platform::EVT_SYNC_BEGIN | platform::EVT_IS_DELIVERED);
    sinkObject.OnSyncSave(&info, kItem, platform::EVT_SYNC_COMMITTED | platform::EVT_IS_DELIVERED);
  }
  if (lastMatches && store.ItemsIn(kJunk).empty()) {
    state.SkipWithError("the last rule never matched");
  }
  state.SetItemsProcessed(state.iterations());
  std::filesystem::remove(path);
}

BENCHMARK(BM_SaveThroughOnSyncSave)
    ->ArgNames({"rules", "lastMatches"})
    ->ArgsProduct({{1, 10, 100, 1000}, {0, 1}});

}  // namespace
