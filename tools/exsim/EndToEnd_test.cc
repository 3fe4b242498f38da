// The whole road of a message on the simulated server: delivery, the store's
// events, the real sink module loaded through the component host, and what
// becomes of the message.
#include <atomic>
#include <regex>
#include <thread>

#include "platform/store/MessageProperties.h"
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
