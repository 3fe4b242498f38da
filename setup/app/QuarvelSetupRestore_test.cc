// QuarvelSetup --restore on a simulated server with the sink installed: mail
// the rules moved goes back, byte for byte, to the folder it was delivered
// to, without a store event; a dry run and a second run change nothing;
// items without the mark, whose folder is gone, whose mark names no folder,
// or whose folder refuses them stay where they are and are reported.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/server/SimulatedServer.h"
#include "setup/app/SetupProcessTest_test_support.h"

namespace quarvel::setup {
namespace {

namespace fs = std::filesystem;
namespace store = platform::store;
namespace ado = platform::ado;
using testing::RunResult;

constexpr const char* kStoreRoot = "file://./backofficestorage/example.com/Public Folders/";
constexpr const char* kMark = "Originally delivered to";
constexpr const char* kHandled =
    "http://schemas.microsoft.com/mapi/id/{00062008-0000-0000-C000-000000000046}/0x8580";

// Each message ends without a line break and holds 8-bit text, so a restore
// that rewrote a single byte would show.
const std::map<std::string, std::string> kMail = {
    {"cheap.eml",
     "From: a@example.net\r\nTo: inbox@example.com\r\nSubject: [SPAM] cheap watches\r\n\r\n"
     "Caf\xc3\xa9 \xff prices.\r\n."},
    {"offer.eml",
     "From: b@example.net\r\nTo: leads@example.com\r\nSubject: [SPAM] an offer\r\n\r\nBuy"},
    {"flagged.eml",
     "From: c@example.net\r\nTo: sales@example.com\r\nSubject: hello\r\nX-Spam-Flag: YES\r\n"
     "\r\nHi\r\n\r\n"},
    {"clean.eml", "From: d@example.net\r\nTo: inbox@example.com\r\nSubject: lunch\r\n\r\nOK"},
};

// Everything of one folder: item name -> message and properties.
using FolderState = std::map<std::string, std::pair<std::string, store::PropertyMap>>;

class RestoreTest : public testing::SetupProcessTest {
 protected:
  RestoreTest() {
    // The sink's rules: both forms of a move target.
    std::ofstream(directory_ / "Quarvel.ini")
        << "[Quarvel RuleSet1]\n"
           "ConditionHeader1=Subject\nConditionValue1=[SPAM]\nAction1=move to\n"
           "Target1=http://MAIL01/Public/Junk Mail\n"
           "ConditionHeader2=X-Spam-Flag\nConditionValue2=YES\nAction2=move to\n"
           "Target2="
        << kStoreRoot << "Junk Mail/Quarantine\n";
    for (const auto& [name, message] : kMail) {
      std::ofstream(directory_ / name, std::ios::binary) << message;
    }
  }
  RunResult Setup(const std::string& arguments) { return RunSetup(arguments); }
  RunResult Exsim(const std::string& arguments) { return RunSetup(arguments, "", "", EXSIM_PATH); }

  void InstallAndDeliver() {
    ASSERT_EQ(Setup("--install").status, 0);
    ASSERT_EQ(Exsim("reg add --store-wide").status, 0);
    for (const auto& [to, files] :
         {std::pair<const char*, const char*>{"Inbox", "cheap.eml clean.eml"},
          {"Sales/Leads", "offer.eml"},
          {"Sales", "flagged.eml"}}) {
      const RunResult run = Exsim(std::string("deliver --to '") + to + "' " + files);
      ASSERT_EQ(run.status, 0) << run.err;
    }
  }

  FolderState Folder(const std::string& path) {
    platform::server::SimulatedServer server(server_);
    FolderState state;
    for (const auto& item : server.Store().Items(server.ResolveFolder(path))) {
      state[item.Name()] = {server.Store().ReadMessage(item), server.Store().ReadProperties(item)};
    }
    return state;
  }

  std::map<std::string, FolderState> Everything() {
    std::map<std::string, FolderState> all;
    for (const char* path :
         {"Inbox", "Sales", "Sales/Leads", "Junk Mail", "Junk Mail/Quarantine"}) {
      all[path] = Folder(path);
    }
    return all;
  }

  // The one item of `folder` whose message is `message`'s; its properties.
  store::PropertyMap Holding(const std::string& folder, const std::string& message) {
    int found = 0;
    store::PropertyMap properties;
    for (const auto& [name, item] : Folder(folder)) {
      if (item.first == kMail.at(message)) {
        ++found;
        properties = item.second;
      }
    }
    EXPECT_EQ(found, 1) << message << " in " << folder;
    return properties;
  }

  // An item put straight into Junk Mail, as if a rule had moved it there.
  void Plant(const std::string& name, const std::string& mark, const std::string& moveTo = "") {
    platform::server::SimulatedServer server(server_);
    store::PropertyMap properties{{"urn:schemas:httpmail:subject", ado::Variant(name)}};
    if (!mark.empty()) properties[kMark] = ado::Variant(mark);
    if (!moveTo.empty()) properties["Move to"] = ado::Variant(moveTo);
    server.Store().WriteItem(server.ResolveFolder("Junk Mail").Child(name),
                             "Subject: " + name + "\r\n\r\nbody " + name, properties);
  }
};

TEST_F(RestoreTest, MovedMailGoesBackByteExactWithoutAStoreEvent) {
  InstallAndDeliver();
  ASSERT_EQ(Folder("Junk Mail").size(), 2u);
  ASSERT_EQ(Folder("Junk Mail/Quarantine").size(), 1u);
  const auto delivered = Everything();
  const std::string journal = Exsim("log").out;

  // A dry run says what it would do and changes nothing.
  RunResult run = Setup("--restore 'http://MAIL01/Public/Junk Mail' --dry-run");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("would restore: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"[SPAM] an offer\" -> http://MAIL01/Public/Sales/Leads/"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("2 would be restored, 0 could not be, 0 without a mark, 0 already home. "
                         "Nothing was changed.\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(Everything(), delivered);

  // One item picked by a condition, the folder named percent-encoded.
  run = Setup("--restore 'http://MAIL01/Public/Junk%20Mail' --match '{*}offer'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("1 restored, 0 not restored, 0 without a mark, 0 already home, 1 not "
                         "matching.\n"),
            std::string::npos)
      << run.out;
  const store::PropertyMap offer = Holding("Sales/Leads", "offer.eml");
  EXPECT_EQ(offer.count("Move to"), 0u) << "the sink would act on it again";
  EXPECT_EQ(offer.at(kMark).ToString(), std::string(kStoreRoot) + "Sales/Leads");
  // Marked as handled by its folder, so that no later save moves it again.
  EXPECT_EQ(offer.at(kHandled).ToString(), "leads@example.com");

  // The store's own URL form; then a header condition on the subfolder, by path.
  run = Setup(std::string("--restore '") + kStoreRoot + "Junk Mail'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("restored: "), std::string::npos) << run.out;
  run = Setup("--restore 'Junk Mail/Quarantine' --header x-spam-flag --match YES");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\"hello\" -> http://MAIL01/Public/Sales/"), std::string::npos) << run.out;

  EXPECT_TRUE(Folder("Junk Mail").empty());
  EXPECT_TRUE(Folder("Junk Mail/Quarantine").empty());
  (void)Holding("Inbox", "cheap.eml");
  (void)Holding("Inbox", "clean.eml");
  (void)Holding("Sales", "flagged.eml");
  EXPECT_EQ(Exsim("log").out, journal) << "a restore raised a store event";

  // A second run finds nothing to do.
  const auto restored = Everything();
  run = Setup("--restore 'Junk Mail'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Restoring the items of http://MAIL01/Public/Junk Mail\n"
            "0 restored, 0 not restored, 0 without a mark, 0 already home.\n");
  EXPECT_EQ(Everything(), restored);
}

TEST_F(RestoreTest, ItemsThatCannotGoBackStayAndAreReported) {
  Plant("plain.eml", "");
  Plant("orphan.eml", std::string(kStoreRoot) + "Old Inbox");
  Plant("stray.eml", "mailto:someone@example.com");
  Plant("home.eml", std::string(kStoreRoot) + "Junk Mail");
  Plant("denied.eml", std::string(kStoreRoot) + "Board Room", "http://MAIL01/Public/Junk Mail");
  // A name taken at home: the item comes back beside it, nothing is replaced.
  Plant("dup.eml", std::string(kStoreRoot) + "Inbox", "http://MAIL01/Public/Junk Mail");
  {
    platform::server::SimulatedServer server(server_);
    server.Store().WriteItem(server.ResolveFolder("Inbox").Child("dup.eml"), "mine", {});
  }
  auto before = Everything();

  RunResult run = Setup("--restore 'Junk Mail'");
  EXPECT_EQ(run.status, 1) << run.err;
  for (const char* line :
       {"skipped: plain.eml \"plain.eml\": no \"Originally delivered to\" mark",
        "not restored: orphan.eml \"orphan.eml\": the folder it was delivered to is gone "
        "(file://./backofficestorage/example.com/Public Folders/Old Inbox)",
        "not restored: stray.eml \"stray.eml\": its mark names no public folder of this store",
        "skipped: home.eml \"home.eml\": already in the folder it was delivered to",
        "not restored: denied.eml \"denied.eml\": ",
        "restored: dup.eml \"dup.eml\" -> http://MAIL01/Public/Inbox/dup-2.eml\n",
        "1 restored, 3 not restored, 1 without a mark, 1 already home.\n"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
  }
  auto after = Everything();
  EXPECT_EQ(after["Inbox"]["dup.eml"], before["Inbox"]["dup.eml"]);
  EXPECT_EQ(after["Inbox"]["dup-2.eml"].first, before["Junk Mail"]["dup.eml"].first);
  // Every item that stayed is exactly as it was, its marks included.
  before["Junk Mail"].erase("dup.eml");
  EXPECT_EQ(after["Junk Mail"], before["Junk Mail"]);
}

TEST_F(RestoreTest, WhatIsNoFolderOrNoConditionStopsBeforeAnythingIsDone) {
  Plant("dup.eml", std::string(kStoreRoot) + "Inbox");
  const auto before = Everything();
  const struct {
    const char* arguments;
    const char* said;
  } refusals[] = {
      {"--restore Nowhere", "there is no folder http://MAIL01/Public/Nowhere"},
      {"--restore 'Junk Mail/dup.eml'", "is an item, not a folder"},
      {"--restore 'http://MAIL01/Public/'", "names no public folder"},
      {"--restore 'http://MAIL01/Public/Junk Mail/../../x'", "is no folder URL of this store"},
      {"--restore 'Junk Mail' --match '[abc{*}'", "invalid pattern: '[' at character 1"},
      {"--restore 'Junk Mail' --header '' --match x", "the header is empty"},
      {"--restore 'Junk Mail' --header 'X-Flag:' --match x", "named with a colon"},
      {"--match x", "--match requires --restore"},
      {"--restore 'Junk Mail' --header Subject", "--header requires --match"},
      {"--restore 'Junk Mail' --rules", "excludes"},
      {"--restore 'Junk Mail' --report", "excludes"},
      {"-b --restore 'Junk Mail'", "cannot be combined"},
  };
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.arguments);
    const RunResult run = Setup(refusal.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(refusal.said), std::string::npos) << run.err;
  }
  EXPECT_EQ(Everything(), before);
  const RunResult help = Setup("--help");
  EXPECT_NE(help.out.find("--restore FOLDER"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace quarvel::setup
