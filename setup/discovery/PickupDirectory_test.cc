// The pickup directory box: which directories the SMTP virtual servers offer,
// the default a load takes, when the Change button is offered and what it
// stores.
#include "setup/discovery/PickupDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/metabase/Metabase.h"
#include "setup/rules/RuleFileAccess.h"
#include "setup/rules/RuleListHarness_test_support.h"

namespace quarvel::setup {
namespace {

using namespace platform::controls;
using platform::metabase::SmtpVirtualServer;
using testing::RuleListHarness;
using testing::TestPlatformOptions;

std::vector<std::string> Entries(const ComboBox& combo) {
  std::vector<std::string> entries;
  for (int i = 0; i < combo.ListCount(); ++i) entries.push_back(combo.List(i));
  return entries;
}

struct Server {
  int number;
  std::optional<std::string> pickup;  // none: the server has no pickup directory
};

struct FillCase {
  const char* name;
  std::vector<Server> servers;
  std::vector<std::string> listed;
  int failingBind = 0;
  friend void PrintTo(const FillCase& c, std::ostream* os) { *os << c.name; }
};

class FillTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillTest, ListsServersUpToTheFirstMissingNumber) {
  TestPlatformOptions options;
  options.failingMetabaseCall = GetParam().failingBind;
  RuleListHarness h(options);
  auto& metabase = h.platform.Metabase();
  for (const int number : metabase.SmtpServerNumbers()) metabase.RemoveSmtpServer(number);
  for (const Server& server : GetParam().servers) {
    SmtpVirtualServer settings;
    settings.pickupDirectory = server.pickup.value_or("");
    settings.hasPickupDirectory = server.pickup.has_value();
    metabase.SetSmtpServer(server.number, settings);
  }
  h.form.ComboPickUp.AddItem("stale");
  h.pickup.FillPickupDirectories();
  EXPECT_EQ(Entries(h.form.ComboPickUp), GetParam().listed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FillTest,
    ::testing::Values(
        FillCase{"TwoServers", {{1, "/srv/one"}, {2, "/srv/two"}}, {"/srv/one", "/srv/two"}},
        FillCase{"OneAndThree", {{1, "/srv/one"}, {3, "/srv/three"}}, {"/srv/one"}},
        FillCase{"WithoutPickupDirectoryAddsNothingButGoesOn",
                 {{1, std::nullopt}, {2, "/srv/two"}},
                 {"/srv/two"}},
        FillCase{"TwoWithoutPickupDirectory",
                 {{1, "/srv/one"}, {2, std::nullopt}, {3, std::nullopt}},
                 {"/srv/one"}},
        FillCase{"NoServerOne", {{2, "/srv/two"}}, {}}, FillCase{"NoServers", {}, {}},
        FillCase{"BlanksTrimmed", {{1, "/srv/one  "}}, {"/srv/one"}},
        FillCase{"FailingBindEndsTheList",
                 {{1, "/srv/one"}, {2, "/srv/two"}, {3, "/srv/three"}},
                 {"/srv/one"},
                 2}),
    [](const auto& info) { return info.param.name; });

class PickupDirectoryTest : public ::testing::Test {
 protected:
  PickupDirectoryTest() {
    auto& metabase = h_.platform.Metabase();
    metabase.SetSmtpServer(1, {"/srv/one", {}, {}, {}});
    metabase.SetSmtpServer(2, {"/srv/two", {}, {}, {}});
  }
  std::string Stored() const { return ReadPickupPath(h_.state.sRuleFilePath); }

  RuleListHarness h_;
};

TEST_F(PickupDirectoryTest, ALoadWithoutAStoredDirectoryStoresTheFirstOneAtOnce) {
  h_.WriteRuleFile("[Quarvel RuleSet1]\n" +
                   testing::RuleLines(1, "Subject", "x", "delete", "<NULL>"));
  h_.rules.LoadRules();
  EXPECT_EQ(Entries(h_.form.ComboPickUp), (std::vector<std::string>{"/srv/one", "/srv/two"}));
  EXPECT_EQ(h_.form.ComboPickUp.Text(), "/srv/one");
  EXPECT_EQ(h_.state.sSavedPickupDir, "/srv/one");
  EXPECT_EQ(Stored(), "/srv/one");
  EXPECT_EQ(ReadRuleList(h_.state.sRuleFilePath).rules.size(), 1u);
  EXPECT_TRUE(h_.state.blnTrackChanges);
  EXPECT_FALSE(h_.form.btnPickUpChange.Enabled());

  // A stored directory stays, whatever the servers offer.
  WritePickupPath(h_.state.sRuleFilePath, "/mine");
  h_.rules.LoadRules();
  EXPECT_EQ(h_.form.ComboPickUp.Text(), "/mine");
  EXPECT_EQ(Stored(), "/mine");
}

TEST_F(PickupDirectoryTest, WithoutServersNothingIsStored) {
  h_.platform.Metabase().RemoveSmtpServer(1);
  h_.rules.LoadRules();
  EXPECT_EQ(h_.form.ComboPickUp.Text(), "");
  EXPECT_FALSE(std::filesystem::exists(h_.state.sRuleFilePath));
}

TEST_F(PickupDirectoryTest, TheDefaultIsShownOnlyOnceTheFileHoldsIt) {
  h_.WriteRuleFile("[Quarvel RuleSet1]\n");
  ASSERT_EQ(::chmod(h_.RuleFilePath().c_str(), 0444), 0);
  h_.rules.LoadRules();
  EXPECT_EQ(h_.form.ComboPickUp.Text(), "");
  EXPECT_EQ(h_.state.sSavedPickupDir, "");
  EXPECT_NE(h_.form.txtErr.Text().find("] LoadRules - ERROR: "), std::string::npos);
}

TEST_F(PickupDirectoryTest, TheChangeButtonIsOfferedForAnotherDirectoryOnly) {
  WritePickupPath(h_.state.sRuleFilePath, "/srv/Pickup");
  h_.rules.LoadRules();
  ComboBox& combo = h_.form.ComboPickUp;
  const CommandButton& change = h_.form.btnPickUpChange;
  combo.UserPaste("/SRV/PICKUP");
  EXPECT_FALSE(change.Enabled()) << "letter case alone is no change";
  combo.UserPaste("/srv/other");
  EXPECT_TRUE(change.Enabled());
  combo.UserSelect(0);  // a click on an entry
  EXPECT_TRUE(change.Enabled());
  combo.UserPaste("/srv/pickup");
  EXPECT_FALSE(change.Enabled());
  // While the program fills the box itself, nothing is tracked.
  h_.state.blnTrackChanges = false;
  combo.UserPaste("/srv/other");
  EXPECT_FALSE(change.Enabled());
  h_.state.blnTrackChanges = true;
  combo.UserLeave();
  EXPECT_TRUE(change.Enabled()) << "leaving the box runs the same check";
  // A load shows the stored directory again, and the button goes with it.
  h_.rules.LoadRules();
  EXPECT_EQ(combo.Text(), "/srv/Pickup");
  EXPECT_FALSE(change.Enabled());
}

TEST_F(PickupDirectoryTest, ChangeStoresTheTrimmedTextAndShowsWhatTheFileHolds) {
  h_.rules.LoadRules();
  h_.form.ComboPickUp.UserPaste("  /srv/typed  ");
  ASSERT_TRUE(h_.form.btnPickUpChange.UserClick());
  EXPECT_EQ(Stored(), "/srv/typed");
  EXPECT_EQ(h_.form.ComboPickUp.Text(), "/srv/typed");
  EXPECT_EQ(h_.state.sSavedPickupDir, "/srv/typed");
  EXPECT_FALSE(h_.form.btnPickUpChange.Enabled());
  EXPECT_EQ(Entries(h_.form.ComboPickUp), (std::vector<std::string>{"/srv/one", "/srv/two"}));
  EXPECT_TRUE(h_.services().messageBoxes.empty());
}

TEST_F(PickupDirectoryTest, ChangeRefusesALineBreakAndReportsAFailedWrite) {
  h_.rules.LoadRules();
  const std::string before = h_.RuleFileText();
  h_.form.ComboPickUp.UserPaste("/srv/a\r\n[Quarvel RuleSet1]");
  h_.form.btnPickUpChange.UserClick();
  ASSERT_EQ(h_.services().messageBoxes.size(), 1u);
  EXPECT_EQ(h_.services().messageBoxes[0].text, kValueRefusedMessage);
  EXPECT_EQ(h_.services().messageBoxes[0].caption, "Quarvel");
  EXPECT_EQ(h_.RuleFileText(), before);
  EXPECT_EQ(h_.form.txtErr.Text(), "");

  ASSERT_EQ(::chmod(h_.RuleFilePath().c_str(), 0444), 0);
  h_.form.ComboPickUp.UserPaste("/srv/other");
  h_.form.btnPickUpChange.UserClick();
  EXPECT_NE(h_.form.txtErr.Text().find("] btnPickUpChange - ERROR: -2147467259 "),
            std::string::npos)
      << h_.form.txtErr.Text();
  EXPECT_TRUE(h_.form.txtErr.Visible());
  EXPECT_EQ(h_.form.ComboPickUp.Text(), "/srv/one") << "the box shows what the file holds";
  EXPECT_EQ(h_.state.sSavedPickupDir, "/srv/one");
  EXPECT_EQ(h_.RuleFileText(), before);
}

}  // namespace
}  // namespace quarvel::setup
