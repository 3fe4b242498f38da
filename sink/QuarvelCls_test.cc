#include "sink/QuarvelCls.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/PlatformError.h"
#include "platform/events/EventFlags.h"
#include "sink/DryRunStore.h"
#include "sink/ModuleLocation.h"
#include "sink/ModuleState.h"

namespace quarvel::sink {
namespace {

using namespace platform;

// Event information whose record the tests never reach: they hand the sink an
// in-memory store through the StoreAccess source instead.
class UnusedEventInfo : public IExStoreDispEventInfo {
 public:
  ado::Record& EventRecord() override { throw std::logic_error("not used"); }
  IObjectFactory& Objects() override { throw std::logic_error("not used"); }
  void AbortChange(long) override { throw std::logic_error("a sink must never veto"); }
};

// Writes the rule file beside the test executable, where the sink looks, and
// removes it again.
class RuleFileBesideModule {
 public:
  explicit RuleFileBesideModule(const std::string& text)
      : path_(ModuleDirectory() + "/Quarvel.ini") {
    std::ofstream(path_) << text;
  }
  ~RuleFileBesideModule() { std::filesystem::remove(path_); }

 private:
  std::string path_;
};

class QuarvelClsTest : public ::testing::Test {
 protected:
  QuarvelClsTest()
      : sink_([this](IExStoreDispEventInfo&) {
          ++sourceCalls_;
          return store_.OpenRecord("/Public Folders/Inbox/1.eml");
        }) {
    store_.AddFolder("/Public Folders/Inbox");
    store_.PutItem("/Public Folders/Inbox/1.eml", {});
  }

  DryRunStore store_;
  UnusedEventInfo info_;
  int sourceCalls_ = 0;
  QuarvelCls sink_;
};

const char* const kTwoRules =
    "[Quarvel RuleSet1]\n"
    "ConditionHeader1=Subject\nConditionValue1=Spam:\nAction1=delete\nTarget1=<NULL>\n"
    "ConditionHeader2=IMFSCL\nConditionValue2={>6}\nAction2=forward to\nTarget2=a@b.example\n"
    "[Quarvel PickupDir]\nPath=/var/spool/pickup\n";

TEST_F(QuarvelClsTest, BeginPhaseLoadsTheRuleFileBesideTheModule) {
  RuleFileBesideModule file(kTwoRules);
  EXPECT_EQ(
      sink_.OnSyncSave(&info_, "/Public Folders/Inbox/1.eml", EVT_SYNC_BEGIN | EVT_IS_DELIVERED),
      S_OK);
  const auto& state = ThreadState();
  EXPECT_EQ(state.RuleFilePath, ModuleDirectory() + "/Quarvel.ini");
  EXPECT_EQ(state.LastRuleIndex, 2);
  EXPECT_EQ(state.HeaderList, (std::vector<std::string>{"Subject", "IMFSCL", ""}));
  EXPECT_EQ(state.ValueList, (std::vector<std::string>{"Spam:", "{>6}", ""}));
  EXPECT_EQ(state.ActionList, (std::vector<std::string>{"delete", "forward to", ""}));
  EXPECT_EQ(state.TargetList, (std::vector<std::string>{"<NULL>", "a@b.example", ""}));
  EXPECT_EQ(state.PickupPath, "/var/spool/pickup");

  // A second load replaces rather than appends.
  sink_.OnSyncSave(&info_, "/Public Folders/Inbox/1.eml", EVT_SYNC_BEGIN | EVT_IS_DELIVERED);
  EXPECT_EQ(ThreadState().TargetList.size(), 3u);
}

TEST_F(QuarvelClsTest, MissingRuleFileLoadsNoRules) {
  ThreadState().PickupPath = "stale";
  sink_.OnSyncSave(&info_, "/Public Folders/Inbox/1.eml", EVT_SYNC_BEGIN);
  EXPECT_EQ(ThreadState().LastRuleIndex, -1);
  EXPECT_TRUE(ThreadState().TargetList.empty());
  EXPECT_EQ(ThreadState().PickupPath, "");
}

struct DispatchCase {
  const char* name;
  long flags;
  int sourceCalls;  // the record is taken exactly when a phase routine runs
  bool loadsRules;
};

class QuarvelClsDispatchTest : public QuarvelClsTest,
                               public ::testing::WithParamInterface<DispatchCase> {};

TEST_P(QuarvelClsDispatchTest, OnSyncSaveDispatchesOnThePhaseBits) {
  RuleFileBesideModule file(kTwoRules);
  ThreadState() = ModuleState{};
  EXPECT_EQ(sink_.OnSyncSave(&info_, "/Public Folders/Inbox/1.eml", GetParam().flags), S_OK);
  EXPECT_EQ(sourceCalls_, GetParam().sourceCalls);
  EXPECT_EQ(ThreadState().LastRuleIndex, GetParam().loadsRules ? 2 : 0);
}

TEST_P(QuarvelClsDispatchTest, OnSyncDeleteNeverLoadsRules) {
  RuleFileBesideModule file(kTwoRules);
  ThreadState() = ModuleState{};
  EXPECT_EQ(sink_.OnSyncDelete(&info_, "/Public Folders/Inbox/1.eml", GetParam().flags), S_OK);
  EXPECT_EQ(sourceCalls_, GetParam().sourceCalls);
  EXPECT_EQ(ThreadState().LastRuleIndex, 0);
  EXPECT_TRUE(store_.FindItem("/Public Folders/Inbox/1.eml").has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Phases, QuarvelClsDispatchTest,
    ::testing::Values(DispatchCase{"Begin", EVT_SYNC_BEGIN, 1, true},
                      DispatchCase{"Committed", EVT_SYNC_COMMITTED, 1, false},
                      DispatchCase{"Aborted", EVT_SYNC_ABORTED, 1, false},
                      DispatchCase{"BeginAndCommittedIsBegin", EVT_SYNC_BEGIN | EVT_SYNC_COMMITTED,
                                   1, true},
                      DispatchCase{"NoPhaseBit", EVT_IS_DELIVERED | EVT_NEW_ITEM, 0, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(QuarvelClsTest, EveryErrorIsTrappedAndReportedAsSuccess) {
  QuarvelCls failing([](IExStoreDispEventInfo&) -> std::unique_ptr<StoreAccess> {
    throw PlatformError(kErrNotFound, "no record");
  });
  for (const long phase : {EVT_SYNC_BEGIN, EVT_SYNC_COMMITTED, EVT_SYNC_ABORTED}) {
    EXPECT_EQ(failing.OnSyncSave(&info_, "/x", phase | EVT_IS_DELIVERED), S_OK);
    EXPECT_EQ(failing.OnSyncDelete(&info_, "/x", phase), S_OK);
  }
  // The default source reaches the event record, which this info refuses.
  QuarvelCls real;
  EXPECT_EQ(real.OnSyncSave(&info_, "/x", EVT_SYNC_COMMITTED | EVT_IS_DELIVERED), S_OK);
  EXPECT_EQ(real.OnSyncSave(nullptr, "/x", EVT_SYNC_BEGIN), S_OK);
}

TEST_F(QuarvelClsTest, RegisterAcceptsAnythingAndInterfacesAnswer) {
  long result = 42;
  EXPECT_EQ(sink_.Register(nullptr, "", 0, &result), S_OK);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(sink_.Construct(nullptr), S_OK);
  EXPECT_EQ(QueryInterface<IExStoreSyncEvents>(sink_), static_cast<IExStoreSyncEvents*>(&sink_));
  EXPECT_EQ(QueryInterface<ICreateRegistration>(sink_), static_cast<ICreateRegistration*>(&sink_));
  EXPECT_EQ(QueryInterface<IObjectConstruct>(sink_), static_cast<IObjectConstruct*>(&sink_));
  EXPECT_EQ(sink_.QueryInterface("IDispatch"), nullptr);
}

}  // namespace
}  // namespace quarvel::sink
