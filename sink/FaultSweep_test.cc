// Every store and file operation of a delete, a move and a forward is made to
// fail in turn; the message must always survive somewhere: in its folder, in
// the target folder, or complete in a pickup file.
#include <gtest/gtest.h>

#include "platform/events/EventFlags.h"
#include "sink/FailingStoreAccess.h"
#include "sink/QuarvelModule.h"
#include "sink/SinkTestSupport.h"

namespace quarvel::sink {
namespace {

using namespace platform;
using namespace sink::testing;

constexpr long kDelivered = EVT_IS_DELIVERED | EVT_NEW_ITEM;

bool IsCompletePickupFile(const std::string& path, const std::string& content) {
  return path.ends_with(".eml") && path.find("/.") == std::string::npos &&
         content.ends_with(kMessage) && content.starts_with("x-receiver: ");
}

// Fails on schedule like its base, and checks that the item is deleted only
// once its message lies complete in the pickup directory.
class DeleteWatch : public FailingStoreAccess {
 public:
  DeleteWatch(StoreAccess& inner, FailureSchedule& schedule, const DryRunStore& store,
              bool forwarding)
      : FailingStoreAccess(inner, schedule), store_(store), forwarding_(forwarding) {}

  void DeleteRecord() override {
    if (forwarding_) {
      bool complete = false;
      for (const auto& [path, content] : store_.Files()) {
        complete = complete || IsCompletePickupFile(path, content);
      }
      EXPECT_TRUE(complete) << "item deleted before its pickup file was complete";
    }
    FailingStoreAccess::DeleteRecord();
  }

 private:
  const DryRunStore& store_;
  bool forwarding_;
};

struct SweepCase {
  const char* name;
  Rule rule;
  bool deletionIntended;
};

class FaultSweepTest : public ::testing::TestWithParam<SweepCase> {};

TEST_P(FaultSweepTest, NoFailingOperationLosesTheMessage) {
  const auto& c = GetParam();
  const bool forwarding = c.rule.action == "forward to";
  int failOn = 1;
  for (;; ++failOn) {
    SCOPED_TRACE("failing operation " + std::to_string(failOn));
    DryRunStore store;
    AddFolders(store);
    store.PutItem(kItem, DeliveredItem());
    SetRules({c.rule});
    FailureSchedule schedule(failOn);
    const auto services = MemoryServices();

    {
      auto record = store.OpenRecord(kItem);
      DeleteWatch begin(*record, schedule, store, false);
      SaveBegin(begin, kItem, EVT_SYNC_BEGIN | kDelivered);
    }
    if (store.FindItem(kItem)) {
      auto record = store.OpenRecord(kItem);
      DeleteWatch commit(*record, schedule, store, forwarding);
      try {
        SaveCommit(commit, kItem, EVT_SYNC_COMMITTED | kDelivered, services);
      } catch (const PlatformError&) {
        // The event method traps this; what counts is where the message is.
      }
    }

    int places = store.FindItem(kItem) ? 1 : 0;
    for (const auto& url : store.ItemsIn(kJunk)) places += store.FindItem(url)->message == kMessage;
    for (const auto& [path, content] : store.Files()) {
      places += IsCompletePickupFile(path, content);
    }
    if (!(c.deletionIntended && !store.FindItem(kItem))) {
      EXPECT_GE(places, 1) << "the message is lost";
    }
    if (const auto item = store.FindItem(kItem)) {
      EXPECT_EQ(item->message, kMessage);
    }
    if (!schedule.Failed()) break;  // every operation has had its turn
  }
  EXPECT_GT(failOn, 5);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, FaultSweepTest,
    ::testing::Values(
        SweepCase{"Delete", {"X-Spam-Flag", "YES", "delete", "<NULL>"}, true},
        SweepCase{"Move", {"X-Spam-Flag", "YES", "move to", kJunkListed}, false},
        SweepCase{"Forward", {"X-Spam-Flag", "YES", "forward to", "boss@example.com"}, false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quarvel::sink
