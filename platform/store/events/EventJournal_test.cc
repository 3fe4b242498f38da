#include "platform/store/events/EventJournal.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <stdexcept>
#include <thread>

#include "platform/PlatformError.h"

namespace quarvel::platform::store {
namespace {

namespace fs = std::filesystem;

class EventJournalTest : public ::testing::Test {
 protected:
  EventJournalTest()
      : directory_(fs::temp_directory_path() /
                   ("event_journal_test_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        store_((fs::remove_all(directory_), directory_ / "store")),
        journal_(store_) {}
  ~EventJournalTest() override { fs::remove_all(directory_); }

  static JournalEntry Entry(const std::string& item, const std::string& outcome = "stayed") {
    return {"2026-12-07T08:40:12Z", "deliver", item, "Quarvel.QuarvelCls ran", outcome};
  }

  SQLite::Database Shell() const {
    return SQLite::Database(directory_ / "store" / "store.db", SQLite::OPEN_READWRITE, 5000);
  }

  fs::path directory_;
  PublicStore store_;
  EventJournal journal_;
};

TEST_F(EventJournalTest, EntriesComeBackInOrderAndTheTailIsTheLastOnes) {
  EXPECT_TRUE(journal_.Entries().empty());
  for (const char* item : {"Inbox/1.eml", "Inbox/2.eml", "Inbox/3.eml"}) {
    journal_.Record(Entry(item));
  }
  EXPECT_EQ(journal_.Entries(),
            (std::vector{Entry("Inbox/1.eml"), Entry("Inbox/2.eml"), Entry("Inbox/3.eml")}));
  EXPECT_EQ(journal_.Entries(2), (std::vector{Entry("Inbox/2.eml"), Entry("Inbox/3.eml")}));
  EXPECT_EQ(journal_.Entries(10).size(), 3u);
  EXPECT_TRUE(journal_.Entries(0).empty());
}

TEST_F(EventJournalTest, AnEntryWithoutTimeGetsTheTimeInUtc) {
  JournalEntry entry = Entry("Inbox/a.eml");
  entry.time.clear();
  journal_.Record(entry);
  const std::string time = journal_.Entries().at(0).time;
  EXPECT_TRUE(std::regex_match(time, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)"))) << time;
}

// The commit phase ends by rewriting the entry its save inserted, in the
// same transaction as its own changes: a failed transaction leaves the
// pending entry as it was.
TEST_F(EventJournalTest, UpdateRewritesOnlyItsOwnEntryAndOnlyWhenItsTransactionCommits) {
  journal_.Record(Entry("Inbox/other.eml"));
  JournalEntry pending = Entry("Inbox/a.eml", kOutcomeCommitPending);
  const auto id =
      store_.Database().Write([&](StoreConnection& c) { return EventJournal::Insert(c, pending); });

  EXPECT_THROW(store_.Database().Write([&](StoreConnection& c) {
    EventJournal::Update(c, id, "Quarvel.QuarvelCls ran", "deleted");
    throw std::runtime_error("the commit phase's transaction fails");
  }),
               std::runtime_error);
  EXPECT_EQ(journal_.Entries().at(1).outcome, kOutcomeCommitPending);

  store_.Database().Write([&](StoreConnection& c) {
    EventJournal::Update(c, id, "Quarvel.QuarvelCls ran; Other.Sink not run", "deleted");
  });
  const auto entries = journal_.Entries();
  EXPECT_EQ(entries.at(0), Entry("Inbox/other.eml"));
  EXPECT_EQ(entries.at(1).sinks, "Quarvel.QuarvelCls ran; Other.Sink not run");
  EXPECT_EQ(entries.at(1).outcome, "deleted");
}

// A person may edit the table with the sqlite3 shell; what they leave there
// is shown, never a crash.
TEST_F(EventJournalTest, FieldsHeldAsOtherTypesAreShownAsText) {
  Shell().exec(
      "INSERT INTO journal (time, event, item, sinks, outcome) VALUES (42, 'deliver', 1.5, '', "
      "x'6869')");
  const auto entries = journal_.Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].time, "42");
  EXPECT_EQ(entries[0].item, "1.5");
  EXPECT_EQ(entries[0].outcome, "hi");
}

TEST_F(EventJournalTest, ConcurrentWritersLoseNoEntry) {
  constexpr int kThreads = 4;
  constexpr int kEach = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      EventJournal journal(store_);
      for (int i = 0; i < kEach; ++i) {
        journal.Record(Entry("Inbox/" + std::to_string(t) + "-" + std::to_string(i) + ".eml"));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(journal_.Entries().size(), static_cast<std::size_t>(kThreads * kEach));
}

TEST_F(EventJournalTest, AJournalThatCannotBeWrittenThrows) {
  Shell().exec("DROP TABLE journal");
  EXPECT_THROW(journal_.Record(Entry("Inbox/a.eml")), PlatformError);
}

}  // namespace
}  // namespace quarvel::platform::store
