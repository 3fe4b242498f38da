// Several threads save items at once while the rule file is replaced between
// saves: each thread acts on the rules exactly as it read them.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/events/EventFlags.h"
#include "sink/ModuleLocation.h"
#include "sink/QuarvelCls.h"
#include "sink/SinkTestSupport.h"

namespace quarvel::sink {
namespace {

using namespace platform;
using namespace sink::testing;

class NoEventInfo : public IExStoreDispEventInfo {
 public:
  ado::Record& EventRecord() override { throw std::logic_error("not used"); }
  IObjectFactory& Objects() override { throw std::logic_error("not used"); }
  void AbortChange(long) override {}
};

// Replaces the whole file at once, as the setup program saves it.
void ReplaceRuleFile(const std::string& path, const std::string& text) {
  const auto temporary = path + ".tmp";
  std::ofstream(temporary) << text;
  std::filesystem::rename(temporary, path);
}

std::string RuleFileText(const std::string& action, const std::string& target) {
  return "[Quarvel RuleSet1]\nConditionHeader1=Subject\nConditionValue1=Spam:\nAction1=" + action +
         "\nTarget1=" + target + "\n[Quarvel PickupDir]\nPath=/pickup\n";
}

TEST(QuarvelConcurrencyTest, EachThreadFollowsTheRuleFileAsItReadIt) {
  const auto path = ModuleDirectory() + "/Quarvel.ini";
  const auto deleting = RuleFileText("delete", "<NULL>");
  const auto moving = RuleFileText("move to", kJunkListed);
  ReplaceRuleFile(path, deleting);

  DryRunStore store;
  AddFolders(store);
  constexpr int kThreads = 4;
  // Each thread saves until it has acted under both rule sets several times,
  // so the test shows every thread really met both; the cap only keeps a
  // broken writer from hanging the test.
  constexpr int kSeenEnough = 20;
  constexpr int kMaxSavesPerThread = 20000;
  std::atomic<bool> done = false;
  std::atomic<int> moves = 0;
  std::atomic<int> deletes = 0;

  std::thread writer([&] {
    for (int flip = 0; !done; ++flip) {
      ReplaceRuleFile(path, flip % 2 ? deleting : moving);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  });

  std::vector<std::thread> savers;
  std::vector<std::array<int, 2>> seen(kThreads);  // per thread: deletes, moves
  for (int t = 0; t < kThreads; ++t) {
    savers.emplace_back([&, t] {
      NoEventInfo info;
      std::string current;
      QuarvelCls sink([&](IExStoreDispEventInfo&) { return store.OpenRecord(current); });
      auto& [threadDeletes, threadMoves] = seen[t];
      for (int i = 0;
           (threadDeletes < kSeenEnough || threadMoves < kSeenEnough) && i < kMaxSavesPerThread;
           ++i) {
        current = kInbox + "/t" + std::to_string(t) + "-" + std::to_string(i) + ".eml";
        store.PutItem(current, DeliveredItem());
        sink.OnSyncSave(&info, current, EVT_SYNC_BEGIN | EVT_IS_DELIVERED);
        const bool readMove = ThreadState().TargetList.at(0) == kJunkListed;
        const bool deletedInBegin = !store.FindItem(current).has_value();
        EXPECT_EQ(deletedInBegin, !readMove);
        if (deletedInBegin) {
          ++threadDeletes;
          ++deletes;
          continue;
        }
        EXPECT_EQ(store.Property(current, std::string(kMoveTo)), kJunkListed);
        sink.OnSyncSave(&info, current, EVT_SYNC_COMMITTED | EVT_IS_DELIVERED);
        EXPECT_FALSE(store.FindItem(current).has_value());
        ++threadMoves;
        ++moves;
      }
    });
  }
  for (auto& saver : savers) saver.join();
  done = true;
  writer.join();
  std::filesystem::remove(path);

  for (int t = 0; t < kThreads; ++t) {
    EXPECT_GE(seen[t][0], kSeenEnough) << "thread " << t << " never acted under the delete rule";
    EXPECT_GE(seen[t][1], kSeenEnough) << "thread " << t << " never acted under the move rule";
  }
  EXPECT_EQ(store.ItemsIn(kInbox).size(), 0u);
  EXPECT_EQ(static_cast<int>(store.ItemsIn(kJunk).size()), moves.load());
  EXPECT_GE(deletes.load(), kThreads * kSeenEnough);
}

}  // namespace
}  // namespace quarvel::sink
