// The whole road of a message on the simulated server: delivery, the store's
// events, the real sink module loaded through the component host, and what
// becomes of the message.
#include <SQLiteCpp/Database.h>

#include <atomic>
#include <regex>
#include <thread>

#include "platform/events/EventFlags.h"
#include "platform/store/MessageProperties.h"
#include "platform/store/StoreRows.h"
#include "platform/store/events/PendingCommits.h"
#include "sink/ItemProperties.h"
#include "tools/exsim/ExsimTestSupport.h"

namespace quarvel::exsim::testing {
namespace {

using platform::store::SaveKind;
using platform::store::StorePath;

const std::string kRules =
    "ConditionHeader1=Subject\nConditionValue1=Spam:\nAction1=delete\nTarget1=<NULL>\n"
    "ConditionHeader2=X-Spam-Flag\nConditionValue2=YES\nAction2=move to\n"
    "Target2=http://MAIL01/Public/Junk Mail/Quarantine\n"
    "ConditionHeader3=IMFSCL\nConditionValue3={>6}\nAction3=forward to\n"
    "Target3=Boss <boss@example.org>\n";

class EndToEndTest : public ServerFixture {
 protected:
  void SetUp() override {
    WriteRules(kRules);
    InstallSink();
  }

  std::string ClassOf(const StorePath& item) {
    return server_->Store()
        .ReadProperties(item)
        .at(platform::store::CanonicalPropertyName(platform::store::kPropMessageClass))
        .ToString();
  }
};

TEST_F(EndToEndTest, StoreWideRegistrationActsOnEveryFolder) {
  Register("", true);

  EXPECT_EQ(Deliver("Inbox", Message("Subject: Spam: pills\r\n")).entry.outcome, "deleted");

  const auto moved = Deliver("Sales/Leads", Message("Subject: offer\r\nX-Spam-Flag: YES\r\n"));
  EXPECT_TRUE(moved.entry.outcome.starts_with("moved to ")) << moved.entry.outcome;
  const auto quarantine = server_->Store().Items(StorePath{{"Junk Mail", "Quarantine"}});
  ASSERT_EQ(quarantine.size(), 1u);
  EXPECT_TRUE(std::regex_match(quarantine[0].Name(), std::regex("[0-9A-F]{32}\\.eml")));
  EXPECT_TRUE(server_->Store().Items(StorePath{{"Sales", "Leads"}}).empty());

  const auto forwarded = Deliver("inbox@example.com", Message("Subject: hi\r\n"), 8);
  EXPECT_TRUE(forwarded.entry.outcome.starts_with("removed after forward"))
      << forwarded.entry.outcome;
  const auto files = PickupFiles();
  ASSERT_EQ(files.size(), 1u);
  // The journal names the pickup file as it ended up, not a hidden one.
  EXPECT_EQ(forwarded.entry.outcome, "removed after forward through " + files[0].string());
  EXPECT_FALSE(files[0].filename().string().starts_with("."));
  std::ifstream pickup(files[0], std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(pickup)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(
      content.starts_with("x-receiver: Boss <boss@example.org>\r\n"
                          "x-sender: sender@example.net\r\n"
                          "x-Originally delivered to:file://./backofficestorage/"
                          "example.com/Public Folders/Inbox\r\n"))
      << content;
  EXPECT_TRUE(content.ends_with(Message("Subject: hi\r\n")));

  const auto clean = Deliver("Inbox", Message("Subject: lunch\r\n"), 1);
  EXPECT_EQ(clean.entry.outcome, "stayed");
  EXPECT_NE(clean.entry.sinks.find("Quarvel.QuarvelCls ran"), std::string::npos);

  // The journal holds one entry per saved item.
  EXPECT_EQ(server_->Journal().Entries().size(), 4u);
}

TEST_F(EndToEndTest, PostsReplicasAndPostedClassesAreTreatedAsTheSinkSays) {
  Register("Inbox");
  const auto posted = Deliver("Inbox", Message("Subject: Spam: posted\r\n"), std::nullopt,
                              SaveKind::kPosted, "IPM.Post");
  EXPECT_EQ(posted.entry.outcome, "stayed");
  EXPECT_EQ(ClassOf(StorePath{{"Inbox", posted.entry.item.substr(6)}}), "IPM.Post");

  EXPECT_EQ(
      Deliver("Inbox", Message("Subject: Spam: copy\r\n"), std::nullopt, SaveKind::kReplicated)
          .entry.outcome,
      "deleted");

  const auto post = Deliver("Inbox", Message("Subject: minutes\r\n"), std::nullopt,
                            SaveKind::kDelivered, "IPM.Post");
  EXPECT_EQ(post.entry.outcome, "stayed");
  EXPECT_EQ(ClassOf(StorePath{{"Inbox", post.entry.item.substr(6)}}), "IPM.Note");
}

TEST_F(EndToEndTest, FolderWithoutRegistrationIsLeftAlone) {
  Register("Inbox");
  const auto result = Deliver("Sales", Message("Subject: Spam: here\r\n"));
  EXPECT_EQ(result.entry.outcome, "stayed");
  EXPECT_EQ(result.entry.sinks, "no sink");
}

TEST_F(EndToEndTest, MissingComponentIsJournalledAndTheItemStays) {
  Register("Inbox");
  std::ostringstream out, err;
  ASSERT_EQ(RemoveApplication(*server_, "Quarvel", out, err), 0) << err.str();
  const auto result = Deliver("Inbox", Message("Subject: Spam: here\r\n"));
  EXPECT_EQ(result.entry.outcome, "stayed");
  EXPECT_NE(result.entry.sinks.find("Quarvel.QuarvelCls not run"), std::string::npos)
      << result.entry.sinks;
}

TEST_F(EndToEndTest, MoveTargetOutsideTheStoreIsRefused) {
  WriteRules(
      "ConditionHeader1=Subject\nConditionValue1=Spam:\nAction1=move to\n"
      "Target1=http://MAIL01/Public/../../../escape\n");
  Register("Inbox");
  const auto outcome = Deliver("Inbox", Message("Subject: Spam: x\r\n")).entry.outcome;
  EXPECT_TRUE(outcome.starts_with("stayed: the move to ")) << outcome;
  EXPECT_NE(outcome.find("invalid store name '..'"), std::string::npos) << outcome;
  EXPECT_FALSE(fs::exists(directory_ / "escape"));
  EXPECT_FALSE(fs::exists(directory_ / "server" / "escape"));
}

// A target longer than the store's 256-character property is refused by the
// store, never cut: the message stays where it is, nothing is sent, and the
// journal says why.
TEST_F(EndToEndTest, OverlongMoveAndForwardTargetsLeaveTheMessageInItsFolder) {
  const std::string moveTarget = "http://MAIL01/Public/Junk Mail/" + std::string(269, 'q');
  const std::string forwardTarget = "Boss <" + std::string(281, 'b') + "@example.org>";
  ASSERT_EQ(moveTarget.size(), 300u);
  ASSERT_EQ(forwardTarget.size(), 300u);
  WriteRules(
      "ConditionHeader1=Subject\nConditionValue1=move me\nAction1=move to\nTarget1=" + moveTarget +
      "\nConditionHeader2=Subject\nConditionValue2=forward me\nAction2=forward to\n"
      "Target2=" +
      forwardTarget + "\n");
  Register("", true);
  for (const char* subject : {"move me", "forward me"}) {
    const auto result = Deliver("Inbox", Message(std::string("Subject: ") + subject + "\r\n"));
    EXPECT_TRUE(result.stayed) << subject;
    EXPECT_TRUE(result.entry.outcome.starts_with("stayed: the store refused"))
        << result.entry.outcome;
    EXPECT_NE(result.entry.outcome.find("has 300 characters"), std::string::npos)
        << result.entry.outcome;
    EXPECT_TRUE(server_->Store().ItemExists(result.item)) << subject;
  }
  EXPECT_TRUE(PickupFiles().empty());
  EXPECT_TRUE(server_->Store().Items(StorePath{{"Junk Mail"}}).empty());
}

TEST_F(EndToEndTest, AMoveToAMissingFolderIsJournalledWithItsReason) {
  WriteRules(
      "ConditionHeader1=Subject\nConditionValue1=Spam:\nAction1=move to\n"
      "Target1=http://MAIL01/Public/Nowhere\n"
      "ConditionHeader2=Subject\nConditionValue2=Own:\nAction2=move to\n"
      "Target2=http://MAIL01/Public/non_ipm_subtree\n");
  Register("Inbox");
  const auto missing = Deliver("Inbox", Message("Subject: Spam: x\r\n"));
  EXPECT_TRUE(missing.entry.outcome.starts_with(
      "stayed: the move to file://./backofficestorage/example.com/Public Folders/Nowhere/"))
      << missing.entry.outcome;
  EXPECT_NE(missing.entry.outcome.find("not found"), std::string::npos) << missing.entry.outcome;
  // The store's own folders take no moved mail.
  const auto own = Deliver("Inbox", Message("Subject: Own: x\r\n"));
  EXPECT_NE(own.entry.outcome.find("items move only into public folders"), std::string::npos)
      << own.entry.outcome;
}

TEST_F(EndToEndTest, DeliveryGoesOnlyIntoPublicFoldersBelowTheRoot) {
  const auto messages = directory_ / "messages";
  fs::create_directories(messages);
  std::ofstream(messages / "m.eml") << Message("Subject: hi\r\n");
  std::ostringstream log;
  for (const char* to : {"", "http://MAIL01/Public/", "non_ipm_subtree",
                         "non_ipm_subtree/StoreEvents{6F1C2A9E-3B7D-4E58-9A21-C4D8E0F7B613}"}) {
    DeliveryOptions options;
    options.to = to;
    try {
      (void)exsim::Deliver(*server_, CollectMessageFiles({messages}), options, log);
      ADD_FAILURE() << "delivered into '" << to << "'";
    } catch (const platform::PlatformError& error) {
      EXPECT_EQ(error.Number(), platform::kErrAccessDenied) << to;
    }
  }
  EXPECT_EQ(server_->Store().ItemCount(StorePath{}), 0);
}

// A save committed by a process that then died: its commit phase - with the
// real sink - is run when the next exsim starts.
TEST_F(EndToEndTest, RecoveryCarriesOutAMoveTheSinkHadMarked) {
  Register("Inbox");
  const StorePath item{{"Inbox", "left.eml"}};
  const std::string inbox = "file://./backofficestorage/example.com/Public Folders/Inbox";
  server_->Store().WriteItem(
      item, Message("Subject: offer\r\nX-Spam-Flag: YES\r\n"),
      {{platform::store::kPropMessageClass, platform::ado::Variant("IPM.Note")},
       {std::string(sink::kOriginallyDeliveredTo), platform::ado::Variant(inbox)},
       {std::string(sink::kMoveTo),
        platform::ado::Variant("http://MAIL01/Public/Junk Mail/Quarantine")},
       {std::string(sink::kHandledMarker), platform::ado::Variant("")}});
  server_->Store().Database().Write([&](platform::store::StoreConnection& c) {
    platform::store::JournalEntry entry{"", "deliver", item.ToString(), "Quarvel.QuarvelCls ran",
                                        platform::store::kOutcomeCommitPending};
    platform::store::PendingCommit commit;
    commit.journal = platform::store::EventJournal::Insert(c, entry);
    commit.item = *platform::store::rows::ItemId(c, item);
    commit.path = item;
    commit.flags = platform::EVT_NEW_ITEM | platform::EVT_IS_DELIVERED;
    commit.sinks = {"Quarvel.QuarvelCls"};
    commit.owner = "boot gone pid 999999999 start 1";
    (void)platform::store::InsertPendingCommit(c, commit);
  });
  std::ostringstream out, err;
  EXPECT_EQ(Recover(*server_, out, err), 0) << err.str();
  EXPECT_NE(out.str().find("Inbox/left.eml: moved to file://./backofficestorage/example.com/"
                           "Public Folders/Junk Mail/Quarantine/"),
            std::string::npos)
      << out.str();
  EXPECT_FALSE(server_->Store().ItemExists(item));
  EXPECT_EQ(server_->Store().ItemCount(StorePath{{"Junk Mail", "Quarantine"}}), 1);
  EXPECT_TRUE(
      server_->Journal().Entries().back().outcome.ends_with("(commit phase run after a restart)"));
  out.str("");
  EXPECT_EQ(Recover(*server_, out, err), 0);
  EXPECT_EQ(out.str(), "Nothing to recover.\n");
}

TEST_F(EndToEndTest, ExportWritesTheFoldersMessagesAsEmlFilesAndReplacesNothing) {
  Register("Inbox");
  const auto first = Deliver("Inbox", Message("Subject: one\r\n"));
  const auto second =
      Deliver("Inbox", Message("Subject: two\r\n"), std::nullopt, SaveKind::kDelivered);
  const auto target = directory_ / "export";
  std::ostringstream out, err;
  EXPECT_EQ(ExportFolder(*server_, "Inbox", target, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), "Exported 2 items of Inbox to " + target.string() + ".\n");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(target)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"test-2.eml", "test.eml"}));
  std::ifstream in(target / "test.eml", std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, Message("Subject: one\r\n"));

  out.str("");
  EXPECT_EQ(ExportFolder(*server_, "Inbox", target, out, err), 1);
  EXPECT_NE(err.str().find("File exists"), std::string::npos) << err.str();
  EXPECT_NE(ExportFolder(*server_, "Nowhere", target, out, err), 0);
}

// Damage to one folder, one item or one registration stays with it: the
// rest of the store works on, and what is damaged is reported.
TEST_F(EndToEndTest, DamageInOneFolderLeavesTheOthersWorking) {
  Register("Inbox");
  Register("Support Requests");
  Deliver("Inbox", Message("Subject: kept\r\n"));
  {
    SQLite::Database shell(directory_ / "server" / "store.db", SQLite::OPEN_READWRITE, 5000);
    shell.exec("UPDATE folders SET hidden = 'garbage' WHERE name = 'Sales'");
    shell.exec(
        "UPDATE properties SET type = 'boolean', value = 'x' WHERE item = "
        "(SELECT i.id FROM items i JOIN folders f ON f.id = i.folder "
        "WHERE f.name = 'Support Requests' AND i.name = 'Quarvel.reg') AND name LIKE "
        "'%MatchScope'");
  }
  // Other folders take mail as before; the damaged folder refuses it clearly.
  EXPECT_EQ(Deliver("Junk Mail", Message("Subject: fine\r\n")).entry.outcome, "stayed");
  EXPECT_THROW(Deliver("Sales", Message("Subject: lost?\r\n")), platform::PlatformError);

  // The registration that cannot be read is named in the delivery summary.
  const auto messages = directory_ / "messages";
  fs::create_directories(messages);
  std::ofstream(messages / "m.eml") << Message("Subject: Spam: here\r\n");
  DeliveryOptions options;
  options.to = "Support Requests";
  options.showProgress = false;
  std::ostringstream log;
  const auto summary = exsim::Deliver(*server_, CollectMessageFiles({messages}), options, log);
  EXPECT_EQ(summary.saved, 1);
  EXPECT_NE(DescribeSummary(summary).find(
                "\nWarning: registration Support Requests/Quarvel.reg not honoured: the "
                "registration Support Requests/Quarvel.reg cannot be read"),
            std::string::npos)
      << DescribeSummary(summary);

  std::ostringstream out, err;
  EXPECT_EQ(ListFolders(*server_, "", out, err), 0);
  EXPECT_NE(out.str().find("Sales  (cannot be read: "), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("Inbox  <inbox@example.com>  [2 items]"), std::string::npos)
      << out.str();
  EXPECT_EQ(server_->Store().ItemCount(StorePath{{"Junk Mail"}}), 1);
}

TEST_F(EndToEndTest, ConcurrentDeliveriesAreAllAccountedFor) {
  Register("Inbox");
  Register("Sales");
  const auto messages = directory_ / "messages";
  fs::create_directories(messages);
  constexpr int kMessages = 1000;
  for (int i = 0; i < kMessages; ++i) {
    std::string headers = "Subject: message " + std::to_string(i) + "\r\n";
    if (i % 4 == 1) headers = "Subject: Spam: " + std::to_string(i) + "\r\n";
    if (i % 4 == 2) headers += "X-Spam-Flag: YES\r\n";
    std::ofstream(messages / ("m" + std::to_string(i) + ".eml")) << Message(headers);
  }
  DeliveryOptions options;
  options.threads = 4;
  options.showProgress = false;
  options.spamConfidenceLevel = 1;
  std::ostringstream log;
  options.to = "Inbox";
  const auto summary = exsim::Deliver(*server_, CollectMessageFiles({messages}), options, log);
  EXPECT_EQ(summary.saved, kMessages) << log.str();
  EXPECT_EQ(summary.failed, 0);
  EXPECT_EQ(summary.deleted, kMessages / 4);
  EXPECT_EQ(summary.moved, kMessages / 4);
  EXPECT_EQ(summary.stayed, kMessages / 2);
  EXPECT_EQ(server_->Store().Items(StorePath{{"Inbox"}}).size(),
            kMessages / 2 + 1u);  // + Quarvel.reg
  EXPECT_EQ(server_->Store().Items(StorePath{{"Junk Mail", "Quarantine"}}).size(),
            static_cast<std::size_t>(kMessages / 4));
  EXPECT_EQ(server_->Journal().Entries().size(), static_cast<std::size_t>(kMessages));
}

}  // namespace
}  // namespace quarvel::exsim::testing
