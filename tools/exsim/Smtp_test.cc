// The SMTP pickup service on the simulated server, with the real sink: a
// forward leaves through the pickup directory, and a forward to a public
// folder's own address comes back into that folder and stops there.
#include "platform/metabase/Metabase.h"
#include "platform/smtp/SpoolFiles.h"
#include "sink/ItemProperties.h"
#include "tools/exsim/ExsimTestSupport.h"
#include "tools/exsim/SmtpCommand.h"

namespace quarvel::exsim::testing {
namespace {

using platform::store::StorePath;

const std::string kInboxUrl = "file://./backofficestorage/example.com/Public Folders/Inbox";
const std::string kSpam = Message("Subject: offer\r\nX-Spam-Flag: YES\r\n");

std::string ForwardRule(const std::string& target) {
  return "ConditionHeader1=X-Spam-Flag\nConditionValue1=YES\nAction1=forward to\nTarget1=" +
         target + "\n";
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class SmtpTest : public ServerFixture {
 protected:
  // One pass of `exsim smtp`; its output.
  std::string Pass(int expectedStatus = 0) {
    std::ostringstream out, err;
    EXPECT_EQ(RunSmtp(*server_, false, 500, out, err), expectedStatus) << out.str() << err.str();
    EXPECT_EQ(err.str(), "");
    return out.str();
  }

  fs::path Root() const { return server_->Root(); }
  std::vector<std::string> Names(const std::string& directory) const {
    return platform::smtp::SpoolFileNames(Root() / directory);
  }
  std::vector<StorePath> ItemsOf(const std::string& folder) const {
    return server_->Store().Items(server_->ResolveFolder(folder));
  }
  std::string Property(const StorePath& item, std::string_view name) const {
    const auto properties = server_->Store().ReadProperties(item);
    const auto found = properties.find(std::string(name));
    return found == properties.end() ? "(none)" : found->second.ToString();
  }
};

TEST_F(SmtpTest, ForwardToTheFoldersOwnAddressComesBackOnceAndStays) {
  WriteRules(ForwardRule("Support <support@example.com>"));
  InstallSink();
  Register("", true);

  // The sink forwards the spam out of the Inbox through the pickup directory.
  const auto forwarded = Deliver("Inbox", kSpam);
  EXPECT_TRUE(forwarded.entry.outcome.starts_with("removed after forward"))
      << forwarded.entry.outcome;
  EXPECT_TRUE(ItemsOf("Inbox").empty());
  ASSERT_EQ(PickupFiles().size(), 1u);

  // The service delivers it to Support Requests, whose own address the rule
  // names: the sink sees a returning message and does not forward it again.
  const auto output = Pass();
  EXPECT_NE(output.find("support@example.com: delivered to file://./backofficestorage/example.com/"
                        "Public Folders/Support Requests (stayed)"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("1 file: 1 delivered to folders, 0 dropped, 0 to Badmail"),
            std::string::npos)
      << output;

  const auto items = ItemsOf("support@example.com");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Property(items[0], sink::kOriginallyDeliveredTo), kInboxUrl);
  EXPECT_EQ(Property(items[0], sink::kForwardTo), "(none)");
  EXPECT_EQ(server_->Store().ReadMessage(items[0]),
            "x-Originally delivered to:" + kInboxUrl + "\r\n" + kSpam);
  const auto journal = server_->Journal().Entries();
  ASSERT_EQ(journal.size(), 2u);
  EXPECT_EQ(journal[1].event, "deliver");
  EXPECT_EQ(journal[1].outcome, "stayed");
  EXPECT_NE(journal[1].sinks.find("Quarvel.QuarvelCls ran"), std::string::npos) << journal[1].sinks;

  EXPECT_TRUE(PickupFiles().empty());
  EXPECT_TRUE(Names("Queue").empty());
  EXPECT_TRUE(Names("Drop").empty());
  EXPECT_TRUE(Names("Badmail").empty());

  // Nothing left to send, and the item is where it came back to.
  EXPECT_NE(Pass().find("0 files: 0 delivered"), std::string::npos);
  EXPECT_EQ(ItemsOf("Support Requests").size(), 1u);
  EXPECT_EQ(server_->Journal().Entries().size(), 2u);
}

TEST_F(SmtpTest, ForwardToAnOutsideAddressEndsInDrop) {
  WriteRules(ForwardRule("Boss <boss@example.org>"));
  InstallSink();
  Register("Inbox");
  Deliver("Inbox", kSpam);

  const auto output = Pass();
  EXPECT_NE(output.find("boss@example.org: dropped as "), std::string::npos) << output;
  const auto drop = Names("Drop");
  ASSERT_EQ(drop.size(), 1u);
  EXPECT_EQ(ReadAll(Root() / "Drop" / drop[0]),
            "x-receiver: boss@example.org\r\nx-sender: sender@example.net\r\n"
            "x-Originally delivered to:" +
                kInboxUrl + "\r\n" + kSpam);
  EXPECT_TRUE(PickupFiles().empty());
  EXPECT_TRUE(ItemsOf("Inbox").size() == 1u);  // only the registration item
}

// A folder that refuses the message is a temporary failure: the file waits
// in the queue (never in Badmail) until the folder takes it, exactly once.
TEST_F(SmtpTest, FolderThatRefusesTheMessageKeepsTheFileUntilItTakesIt) {
  const std::string file =
      "x-sender: sender@example.net\r\nx-receiver: sales@example.com\r\n"
      "x-receiver: board@example.com\r\n" +
      kSpam;
  std::ofstream(server_->PickupDirectory() / "123.eml", std::ios::binary) << file;

  for (int pass = 0; pass < 2; ++pass) {
    const auto output = Pass(1);
    EXPECT_NE(output.find("123.eml: left for the next pass: delivery to board@example.com "
                          "(file://./backofficestorage/example.com/Public Folders/Board Room) "
                          "failed: access denied"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("(0x80070005)"), std::string::npos) << output;
  }
  EXPECT_EQ(Names("Queue"), std::vector<std::string>{"123.eml"});
  EXPECT_TRUE(Names("Badmail").empty());
  EXPECT_EQ(ItemsOf("Sales").size(), 1u);  // its copy went in once, before the refusal

  // The administrator opens the folder; the next pass finishes the file.
  server_->Store().CreateFolder(StorePath{{"Board Room"}},
                                {"Board Room", "board@example.com", false, false});
  Pass();
  EXPECT_EQ(ItemsOf("Board Room").size(), 1u);
  EXPECT_EQ(ItemsOf("Sales").size(), 1u);
  EXPECT_TRUE(Names("Queue").empty());
}

TEST_F(SmtpTest, MalformedFileGoesToBadmailAndTheSinksTemporaryFilesStay) {
  std::ofstream(server_->PickupDirectory() / "9.eml") << "x-receiver: support@example.com\r\n\r\n";
  std::ofstream(server_->PickupDirectory() / ".quarvel-7.tmp") << "x-receiver: half";
  EXPECT_NE(Pass().find("1 file: 0 delivered to folders, 0 dropped, 1 to Badmail"),
            std::string::npos);
  EXPECT_EQ(ReadAll(Root() / "Badmail" / "9.eml.reason"), "9.eml: no x-sender line\n");
  EXPECT_EQ(PickupFiles(), std::vector<fs::path>{server_->PickupDirectory() / ".quarvel-7.tmp"});
  EXPECT_TRUE(ItemsOf("Support Requests").empty());
}

TEST_F(SmtpTest, SampleServerHasVirtualServerOneWithItsDirectories) {
  const platform::metabase::Metabase metabase(Root() / "metabase.json");
  const auto object = metabase.Bind("IIS://localhost/smtpsvc/1");
  EXPECT_EQ(object.GetString("PickupDirectory"), fs::absolute(server_->PickupDirectory()).string());
  EXPECT_EQ(object.GetString("DropDirectory"), (Root() / "Drop").string());
  EXPECT_EQ(object.GetString("BadMailDirectory"), (Root() / "Badmail").string());
  EXPECT_THROW((void)metabase.Bind("IIS://localhost/smtpsvc/2"), platform::PlatformError);
  for (const char* directory : {"pickup", "Queue", "Drop", "Badmail"}) {
    EXPECT_TRUE(fs::is_directory(Root() / directory)) << directory;
  }
  const auto directories = SmtpDirectories(*server_);
  EXPECT_EQ(directories.pickup, fs::absolute(server_->PickupDirectory()));
  EXPECT_EQ(directories.queue, Root() / "Queue");
}

TEST_F(SmtpTest, ThePickupDirectoryComesFromTheMetabase) {
  // An administrator moved virtual server 1's pickup directory.
  platform::metabase::Metabase metabase(Root() / "metabase.json");
  metabase.SetSmtpServer(1, {Root() / "spool" / "in", {}, {}, {}});
  metabase.Save();
  fs::create_directories(Root() / "spool" / "in");
  std::ofstream(Root() / "spool" / "in" / "m.eml")
      << "x-sender: sender@example.net\r\nx-receiver: sales@example.com\r\n" + kSpam;
  std::ofstream(server_->PickupDirectory() / "old.eml")
      << "x-sender: sender@example.net\r\nx-receiver: sales@example.com\r\n" + kSpam;

  Pass();
  EXPECT_EQ(ItemsOf("Sales").size(), 1u);
  EXPECT_EQ(PickupFiles().size(), 1u);  // the old directory is no longer served

  // Without a metabase the server's own pickup directory is served.
  fs::remove(Root() / "metabase.json");
  Pass();
  EXPECT_EQ(ItemsOf("Sales").size(), 2u);
  EXPECT_TRUE(PickupFiles().empty());
}

TEST_F(SmtpTest, UnreadableMetabaseIsReported) {
  std::ofstream(Root() / "metabase.json") << "{ not json";
  std::ostringstream out, err;
  EXPECT_EQ(RunSmtp(*server_, false, 500, out, err), 1);
  EXPECT_NE(err.str().find("metabase.json: not valid JSON"), std::string::npos) << err.str();
}

TEST_F(SmtpTest, WatchSendsFilesUntilToldToStop) {
  std::ofstream(server_->PickupDirectory() / "w.eml")
      << "x-sender: sender@example.net\r\nx-receiver: leads@example.com\r\n" + kSpam;
  int asked = 0;
  std::ostringstream out, err;
  EXPECT_EQ(RunSmtp(*server_, true, 1, out, err, [&] { return ++asked < 4; }), 0) << err.str();
  EXPECT_NE(out.str().find("1 file: 1 delivered to folders"), std::string::npos) << out.str();
  EXPECT_EQ(ItemsOf("Sales/Leads").size(), 1u);
}

}  // namespace
}  // namespace quarvel::exsim::testing
