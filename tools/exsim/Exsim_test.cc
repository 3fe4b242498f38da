#include <set>
#include <string>

#include "platform/directory/DirectoryFile.h"
#include "platform/directory/SampleDirectory.h"
#include "tools/exsim/ExsimTestSupport.h"

namespace quarvel::exsim::testing {
namespace {

using platform::store::StorePath;

class ExsimCommandsTest : public ServerFixture {};

TEST_F(ExsimCommandsTest, InitRefusesToReplaceUnlessForced) {
  EXPECT_THROW(CreateSampleServer(directory_ / "server", false), std::runtime_error);
  server_->Store().WriteItem(StorePath{{"Inbox", "old.eml"}}, "x", {});
  server_.reset();  // the old store's database is closed before it goes
  CreateSampleServer(directory_ / "server", true);
  server_ = std::make_unique<SimulatedServer>(directory_ / "server");
  EXPECT_FALSE(server_->Store().ItemExists(StorePath{{"Inbox", "old.eml"}}));
}

// The setup program lists a folder's directory object among the recipients
// and its row in the folder list: both must name the same addresses.
TEST_F(ExsimCommandsTest, TheSampleDirectoryHoldsEveryMailEnabledFolder) {
  std::set<std::string> inStore;
  for (const StorePath& folder : server_->Store().AllFolders()) {
    const std::string address = server_->Store().ReadFolder(folder).emailAddress;
    if (!address.empty()) inStore.insert(address);
  }
  const platform::directory::DirectoryFile directory(directory_ / "server" /
                                                     platform::directory::kDirectoryFileName);
  const auto found = directory.Search("SELECT mail FROM 'GC://" +
                                          std::string(platform::directory::kSampleDnsHostName) +
                                          "' WHERE objectCategory='publicFolder'",
                                      {});
  std::set<std::string> inDirectory;
  for (const auto& row : found.rows) inDirectory.insert(row.at(0).ToString());
  EXPECT_EQ(inDirectory, inStore);
}

TEST_F(ExsimCommandsTest, FoldersResolveByUrlPathOrAddress) {
  const StorePath leads{{"Sales", "Leads"}};
  EXPECT_EQ(server_->ResolveFolder("Sales/Leads"), leads);
  EXPECT_EQ(server_->ResolveFolder("leads@example.com"), leads);
  EXPECT_EQ(server_->ResolveFolder("http://MAIL01/Public/Sales/Leads"), leads);
  EXPECT_EQ(
      server_->ResolveFolder("file://./backofficestorage/example.com/Public%20Folders/Sales/Leads"),
      leads);
  for (const char* bad : {"Nowhere", "nobody@example.com", "http://MAIL01/Public/../x",
                          "Sales/../../etc", "http://MAIL01/Public/Sales%2F..%2F..%2Fx"}) {
    EXPECT_THROW((void)server_->ResolveFolder(bad), platform::PlatformError) << bad;
  }
}

TEST_F(ExsimCommandsTest, ListingsShowTheTreeAndHideThePassword) {
  std::ostringstream out, err;
  ASSERT_EQ(ListFolders(*server_, "", out, err), 0);
  EXPECT_NE(out.str().find("Junk Mail  <junk@example.com>"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("(access denied)"), std::string::npos);

  InstallSink();
  server_->Catalog().Load();
  server_->Catalog().FindApplication("Quarvel")->password = "s3cret-pass";
  server_->Catalog().Save();
  out.str("");
  ListApplications(*server_, out);
  EXPECT_NE(out.str().find("Quarvel.QuarvelCls"), std::string::npos) << out.str();
  EXPECT_EQ(out.str().find("s3cret-pass"), std::string::npos);
}

TEST_F(ExsimCommandsTest, RegistrationsAreAddedListedAndRemoved) {
  Register("Support Requests");
  Register("", true);
  std::ostringstream out, err;
  ListRegistrations(*server_, out);
  EXPECT_NE(out.str().find("Support Requests/Quarvel.reg"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("store-wide"), std::string::npos);

  EXPECT_EQ(RemoveRegistration(*server_, "Support Requests/Quarvel.reg", out, err), 0) << err.str();
  EXPECT_NE(RemoveRegistration(*server_, "Support Requests/Quarvel.reg", out, err), 0);
  server_->Store().WriteItem(StorePath{{"Inbox", "plain.eml"}}, "x", {});
  EXPECT_NE(RemoveRegistration(*server_, "Inbox/plain.eml", out, err), 0);
  EXPECT_TRUE(server_->Store().ItemExists(StorePath{{"Inbox", "plain.eml"}}));
}

TEST_F(ExsimCommandsTest, DeliveryReportsUnreadableFilesAndGoesOn) {
  const auto messages = directory_ / "in";
  fs::create_directories(messages);
  std::ofstream(messages / "a.eml") << Message("Subject: one\r\n");
  std::ofstream(messages / ".hidden") << "ignored";
  std::ofstream(messages / "b.eml") << "not really a message";
  DeliveryOptions options;
  options.to = "Inbox";
  options.showProgress = false;
  EXPECT_THROW((void)CollectMessageFiles({messages / "missing.eml"}), std::runtime_error);
  auto files = CollectMessageFiles({messages});
  ASSERT_EQ(files.size(), 2u);  // the hidden file is not a message
  files.push_back(messages / "vanished.eml");
  std::ostringstream log;
  const auto summary = exsim::Deliver(*server_, files, options, log);
  EXPECT_EQ(summary.saved, 2);
  EXPECT_EQ(summary.failed, 1);
  EXPECT_NE(log.str().find("vanished.eml"), std::string::npos);
  EXPECT_EQ(server_->Store().Items(StorePath{{"Inbox"}}).size(), 2u);
}

}  // namespace
}  // namespace quarvel::exsim::testing
