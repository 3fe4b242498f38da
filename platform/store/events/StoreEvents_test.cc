#include "platform/store/events/StoreEvents.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/ErrorOf_test_support.h"
#include "platform/ado/Record.h"
#include "platform/ado/Stream.h"
#include "platform/cdo/Message.h"
#include "platform/events/EventFlags.h"
#include "platform/events/IExStoreDispEventInfo.h"
#include "platform/events/IExStoreSyncEvents.h"
#include "platform/store/StoreRows.h"
#include "platform/store/events/PendingCommits.h"
#include "platform/store/events/Registration.h"
#include "platform/store/provider/StoreSession.h"

namespace quarvel::platform::store {
namespace {

namespace fs = std::filesystem;

// A sink whose phases do what the test says, and which notes the phases it saw.
class ScriptedSink : public IUnknown, public IExStoreSyncEvents {
 public:
  using Phase = std::function<void(IExStoreDispEventInfo&, const std::string& url)>;
  ScriptedSink(Phase begin, Phase commit, std::vector<long>& seen)
      : begin_(std::move(begin)), commit_(std::move(commit)), seen_(seen) {}

  void* QueryInterface(std::string_view name) override {
    return name == IExStoreSyncEvents::kInterfaceName ? static_cast<IExStoreSyncEvents*>(this)
                                                      : nullptr;
  }
  HRESULT OnSyncSave(IExStoreDispEventInfo* info, const std::string& url, long flags) override {
    seen_.push_back(flags);
    if ((flags & EVT_SYNC_BEGIN) != 0 && begin_) begin_(*info, url);
    if ((flags & EVT_SYNC_COMMITTED) != 0 && commit_) commit_(*info, url);
    return S_OK;
  }
  HRESULT OnSyncDelete(IExStoreDispEventInfo*, const std::string&, long) override { return S_OK; }

 private:
  Phase begin_;
  Phase commit_;
  std::vector<long>& seen_;
};

class ScriptedSinks : public SinkFactory {
 public:
  Created CreateSink(const std::string& progId) override {
    if (progId != "Test.Sink") return {nullptr, "no such component"};
    return {std::make_unique<ScriptedSink>(begin, commit, seen), ""};
  }
  ScriptedSink::Phase begin;
  ScriptedSink::Phase commit;
  std::vector<long> seen;  // the flags of every call
};

class StoreEventsTest : public ::testing::Test {
 protected:
  StoreEventsTest()
      : directory_(fs::temp_directory_path() /
                   ("store_events_test_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        store_((fs::remove_all(directory_), directory_ / "store")),
        session_(store_, {"MAIL01", "example.com"}),
        journal_(store_),
        events_(store_, session_, sinks_) {
    store_.CreateFolder(kInbox, {"Inbox", "inbox@example.com", false, false});
    store_.CreateFolder(kJunk, {"Junk", "", false, false});
    fs::create_directories(directory_ / "pickup");
  }
  ~StoreEventsTest() override { fs::remove_all(directory_); }

  void Register(const StorePath& folder, const std::string& sink = "Test.Sink") {
    store_.WriteItem(folder.Child(sink + ".reg"), "",
                     {{"DAV:contentclass", ado::Variant(kRegistrationContentClass)},
                      {kPropEventMethod, ado::Variant("onsyncsave")},
                      {kPropSinkClass, ado::Variant(sink)},
                      {kPropMatchScope, ado::Variant("SHALLOW")}});
  }

  static SaveRequest RequestFor(const StorePath& item) {
    SaveRequest request;
    request.item = item;
    request.message = "Subject: hi\r\n\r\nbody\r\n";
    request.properties = {{"urn:x", ado::Variant("1")}};
    return request;
  }
  SaveRequest Request(const std::string& name) { return RequestFor(kInbox.Child(name)); }

  SQLite::Database Shell() const {
    return SQLite::Database(directory_ / "store" / "store.db", SQLite::OPEN_READWRITE, 5000);
  }

  const StorePath kInbox{{"Inbox"}};
  const StorePath kJunk{{"Junk"}};
  fs::path directory_;
  PublicStore store_;
  StoreSession session_;
  ScriptedSinks sinks_;
  EventJournal journal_;
  StoreEvents events_;
};

// The begin phase works on the pending item: its changes commit with it, and
// nobody else sees the item before that. The commit phase comes after.
TEST_F(StoreEventsTest, BeginPhaseChangesCommitWithTheItemAndTheCommitPhaseFollows) {
  Register(kInbox);
  bool visibleInBegin = true;
  sinks_.begin = [&](IExStoreDispEventInfo& info, const std::string&) {
    visibleInBegin = store_.ItemExists(kInbox.Child("m.eml"));
    info.EventRecord().GetFields().SetValue("urn:mark", "set");
    info.EventRecord().GetFields().Update();
  };
  std::string markInCommit;
  sinks_.commit = [&](IExStoreDispEventInfo&, const std::string&) {
    markInCommit = store_.ReadProperties(kInbox.Child("m.eml")).at("urn:mark").ToString();
  };
  const auto result = events_.Save(Request("m.eml"));
  EXPECT_FALSE(visibleInBegin);
  EXPECT_EQ(markInCommit, "set");
  EXPECT_EQ(result.entry.outcome, "stayed");
  EXPECT_EQ(result.entry.sinks, "Test.Sink ran");
  ASSERT_EQ(sinks_.seen.size(), 2u);
  EXPECT_NE(sinks_.seen[0] & EVT_SYNC_BEGIN, 0);
  EXPECT_NE(sinks_.seen[1] & EVT_SYNC_COMMITTED, 0);
  EXPECT_EQ(journal_.Entries(), std::vector<JournalEntry>{result.entry});
  EXPECT_EQ(Shell().execAndGet("SELECT count(*) FROM pending_commits").getInt(), 0);
}

TEST_F(StoreEventsTest, ADeleteInTheBeginPhaseSavesNothing) {
  Register(kInbox);
  sinks_.begin = [](IExStoreDispEventInfo& info, const std::string&) {
    info.EventRecord().DeleteRecord("", false);
  };
  const auto result = events_.Save(Request("m.eml"));
  EXPECT_EQ(result.entry.outcome, "deleted");
  EXPECT_FALSE(store_.ItemExists(kInbox.Child("m.eml")));
  EXPECT_EQ(sinks_.seen.size(), 1u);       // no commit phase for an item that is gone
  EXPECT_EQ(store_.ItemCount(kInbox), 1);  // the registration item
}

TEST_F(StoreEventsTest, ATakenNameGetsTheNextFreeNumber) {
  EXPECT_EQ(events_.Save(Request("m.eml")).item, kInbox.Child("m.eml"));
  EXPECT_EQ(events_.Save(Request("m.eml")).item, kInbox.Child("m-2.eml"));
  store_.WriteItem(kInbox.Child("m-7.eml"), "", {});
  store_.WriteItem(kInbox.Child("m-x.eml"), "", {});
  EXPECT_EQ(events_.Save(Request("m.eml")).item, kInbox.Child("m-8.eml"));
  store_.CreateFolder(kInbox.Child("folder"), {});
  EXPECT_EQ(events_.Save(Request("folder")).item, kInbox.Child("folder-2"));
  std::vector<SaveRequest> same;
  for (int i = 0; i < 3; ++i) same.push_back(Request("s.eml"));
  const auto outcomes = events_.SaveAll(std::move(same));
  EXPECT_EQ(outcomes[0].result->item, kInbox.Child("s.eml"));
  EXPECT_EQ(outcomes[1].result->item, kInbox.Child("s-2.eml"));
  EXPECT_EQ(outcomes[2].result->item, kInbox.Child("s-3.eml"));
}

// One save of a shared commit that fails is undone alone; its sinks see the
// aborted phase, and the others are saved.
TEST_F(StoreEventsTest, AFailingSaveOfABatchFailsAlone) {
  Register(kInbox);
  Shell().exec(
      "CREATE TRIGGER planted BEFORE INSERT ON pending_commits WHEN NEW.path = 'Inbox/bad.eml' "
      "BEGIN SELECT RAISE(ABORT, 'planted failure'); END");
  std::vector<SaveRequest> requests{Request("a.eml"), Request("bad.eml"), Request("b.eml")};
  const auto outcomes = events_.SaveAll(std::move(requests));
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_TRUE(outcomes[0].result && outcomes[2].result);
  ASSERT_TRUE(outcomes[1].error);
  EXPECT_NE(outcomes[1].error->Description().find("planted failure"), std::string::npos);
  EXPECT_TRUE(store_.ItemExists(kInbox.Child("a.eml")));
  EXPECT_TRUE(store_.ItemExists(kInbox.Child("b.eml")));
  EXPECT_FALSE(store_.ItemExists(kInbox.Child("bad.eml")));
  EXPECT_EQ(journal_.Entries().size(), 2u);
  EXPECT_EQ(std::count_if(sinks_.seen.begin(), sinks_.seen.end(),
                          [](long flags) { return (flags & EVT_SYNC_ABORTED) != 0; }),
            1);
  EXPECT_EQ(Shell().execAndGet("SELECT count(*) FROM pending_commits").getInt(), 0);

  EXPECT_EQ(ErrorOf([&] { events_.Save(RequestFor(kJunk.Child("x"))); }), 0);
  store_.CreateFolder(kJunk, {"Junk", "", false, true});
  EXPECT_EQ(ErrorOf([&] { events_.Save(RequestFor(kJunk.Child("y"))); }), kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] { events_.Save(RequestFor(StorePath{{"Nope", "y"}})); }), kErrNotFound);
}

TEST_F(StoreEventsTest, AJournalThatCannotBeWrittenIsAWarning) {
  Shell().exec(
      "CREATE TRIGGER planted BEFORE INSERT ON journal BEGIN SELECT RAISE(ABORT, 'journal "
      "broken'); END");
  const auto result = events_.Save(Request("m.eml"));
  EXPECT_TRUE(store_.ItemExists(kInbox.Child("m.eml")));
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_NE(result.warnings[0].find("journal broken"), std::string::npos) << result.warnings[0];
  EXPECT_TRUE(journal_.Entries().empty());
}

// A registration that cannot be read is reported, never silently dropped.
TEST_F(StoreEventsTest, AnUnreadableRegistrationIsReported) {
  Register(kInbox);
  Shell().exec(
      "UPDATE properties SET type = 'integer' WHERE name LIKE '%SinkClass' AND item = "
      "(SELECT id FROM items WHERE name = 'Test.Sink.reg')");
  const auto result = events_.Save(Request("m.eml"));
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_NE(result.warnings[0].find("Inbox/Test.Sink.reg cannot be read"), std::string::npos)
      << result.warnings[0];
  EXPECT_NE(result.entry.sinks.find("not run"), std::string::npos) << result.entry.sinks;
  EXPECT_TRUE(sinks_.seen.empty());
  EXPECT_EQ(AllRegistrations(store_).size(), 1u);
}

TEST_F(StoreEventsTest, TheJournalSaysWhyAnItemStayed) {
  Register(kInbox);
  sinks_.begin = [](IExStoreDispEventInfo& info, const std::string&) {
    auto& fields = info.EventRecord().GetFields();
    try {
      fields.Append("Forward to", ado::adChar, 256, ado::adFldUnspecified, std::string(300, 'x'));
    } catch (const PlatformError&) {
    }
    fields.Update();
  };
  sinks_.commit = [](IExStoreDispEventInfo& info, const std::string& url) {
    (void)info.EventRecord().MoveRecord(url, "http://MAIL01/Public/Nowhere/x.eml", "", "",
                                        ado::adMoveOverWrite, false);
  };
  const auto result = events_.Save(Request("m.eml"));
  EXPECT_TRUE(result.stayed);
  EXPECT_TRUE(result.entry.outcome.starts_with(
      "stayed: the store refused \"Forward to\": the value of 'Forward to' has 300 characters"))
      << result.entry.outcome;
  EXPECT_NE(result.entry.outcome.find("; the move to http://MAIL01/Public/Nowhere/x.eml failed: "),
            std::string::npos)
      << result.entry.outcome;
  EXPECT_EQ(journal_.Entries().back().outcome, result.entry.outcome);
  EXPECT_FALSE(store_.ReadProperties(kInbox.Child("m.eml")).contains("Forward to"));
}

// A forward writes a hidden file and renames it into place: the journal
// names the file as it ends up, not the hidden one that is gone.
TEST_F(StoreEventsTest, TheJournalNamesTheForwardsFinalFile) {
  Register(kInbox);
  const auto hidden = (directory_ / "pickup" / ".sink-1.tmp").string();
  const auto final = (directory_ / "pickup" / "6122026954711.eml").string();
  sinks_.commit = [&](IExStoreDispEventInfo& info, const std::string& url) {
    auto object = info.Objects().CreateObject("CDO.Message");
    auto* message = QueryInterface<cdo::Message>(*object);
    message->Open(url, nullptr, ado::adModeUnknown, ado::adFailIfNotExists);
    message->GetStream()->SaveToFile(hidden, ado::adSaveCreateNotExist);
    std::filesystem::rename(hidden, final);
    info.EventRecord().DeleteRecord("", false);
  };
  const auto result = events_.Save(Request("m.eml"));
  EXPECT_EQ(result.entry.outcome, "removed after forward through " + final);
  EXPECT_FALSE(result.stayed);

  // A file the sink removed again is no forward: the item stayed, and why.
  sinks_.commit = [&](IExStoreDispEventInfo& info, const std::string& url) {
    auto object = info.Objects().CreateObject("CDO.Message");
    auto* message = QueryInterface<cdo::Message>(*object);
    message->Open(url, nullptr, ado::adModeUnknown, ado::adFailIfNotExists);
    message->GetStream()->SaveToFile(hidden, ado::adSaveCreateNotExist);
    std::filesystem::remove(hidden);
  };
  EXPECT_EQ(events_.Save(Request("n.eml")).entry.outcome,
            "stayed: the message file " + hidden + " is gone");
}

// A save whose process died after its commit: recovery lets the sink load
// its settings in a begin phase on a thrown-away copy, then runs the commit
// phase on the item itself.
TEST_F(StoreEventsTest, RecoveryRunsTheCommitPhaseADeadProcessLeft) {
  Register(kInbox);
  store_.WriteItem(kInbox.Child("left.eml"), "Subject: x\r\n\r\n",
                   {{"urn:mark", ado::Variant("move")}});
  store_.WriteItem(kInbox.Child("gone.eml"), "", {});
  store_.WriteItem(kInbox.Child("mine.eml"), "", {});
  const auto plant = [&](const std::string& name, const std::string& owner) {
    store_.Database().Write([&](StoreConnection& c) {
      JournalEntry entry{"", "deliver", "Inbox/" + name, "Test.Sink ran", kOutcomeCommitPending};
      PendingCommit commit;
      commit.journal = EventJournal::Insert(c, entry);
      commit.item = *rows::ItemId(c, kInbox.Child(name));
      commit.path = kInbox.Child(name);
      commit.flags = EVT_NEW_ITEM | EVT_IS_DELIVERED;
      commit.sinks = {"Test.Sink"};
      commit.owner = owner;
      (void)InsertPendingCommit(c, commit);
    });
  };
  plant("left.eml", "boot x pid 999999999 start 1");
  plant("gone.eml", "boot x pid 999999999 start 1");
  plant("mine.eml", ThisProcess());  // a running process's commit phase is its own
  store_.MoveItem(kInbox.Child("gone.eml"), kJunk.Child("gone.eml"), false);

  bool beganOnACopy = false;
  sinks_.begin = [&](IExStoreDispEventInfo& info, const std::string&) {
    info.EventRecord().GetFields().SetValue("urn:scratch", "thrown away");
    info.EventRecord().GetFields().Update();
    beganOnACopy = true;
  };
  sinks_.commit = [&](IExStoreDispEventInfo& info, const std::string& url) {
    if (info.EventRecord().GetFields().Value("urn:mark").ToString() == "move") {
      (void)info.EventRecord().MoveRecord(url, "http://MAIL01/Public/Junk/moved.eml", "", "",
                                          ado::adMoveOverWrite, false);
    }
  };
  const auto summary = events_.Recover();
  EXPECT_EQ(summary.finished, 1);
  EXPECT_EQ(summary.alreadyGone, 1);
  EXPECT_TRUE(beganOnACopy);
  EXPECT_TRUE(store_.ItemExists(kJunk.Child("moved.eml")));
  EXPECT_FALSE(store_.ReadProperties(kJunk.Child("moved.eml")).contains("urn:scratch"));
  const auto entries = journal_.Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].outcome,
            "moved to http://MAIL01/Public/Junk/moved.eml (commit phase run after a restart)");
  EXPECT_TRUE(entries[1].outcome.starts_with("left Inbox/gone.eml before a restart"));
  EXPECT_EQ(entries[2].outcome, kOutcomeCommitPending);
  EXPECT_EQ(Shell().execAndGet("SELECT count(*) FROM pending_commits").getInt(), 1);
  EXPECT_EQ(events_.Recover().finished, 0);  // nothing twice
}

TEST(PendingCommitsTest, OnlyARunningProcessIsAlive) {
  EXPECT_TRUE(ProcessAlive(ThisProcess()));
  for (const char* owner : {"", "boot x pid 1 start 1", "boot x pid 999999999 start 1",
                            "boot x pid 12a start 1", "nonsense"}) {
    EXPECT_FALSE(ProcessAlive(owner)) << owner;
  }
  auto changed = ThisProcess();
  changed.back() = changed.back() == '1' ? '2' : '1';  // the same pid started at another time
  EXPECT_FALSE(ProcessAlive(changed));
}

}  // namespace
}  // namespace quarvel::platform::store
