// The rules list as an administrator uses it: what it shows of the rule file,
// which buttons it offers, and what every button leaves in the list and in
// the file, including the answers No, a file that cannot be written and
// values the file cannot hold.
#include "setup/rules/RuleList.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "common/RuleFileReader.h"
#include "setup/main/SetupProgram.h"
#include "setup/rules/RuleFileAccess.h"
#include "setup/rules/RuleListHarness_test_support.h"

namespace quarvel::setup {
namespace {

using namespace platform::controls;
using testing::RuleLines;
using testing::RuleListHarness;

const std::string kJunk = "http://MAIL01/Public/Junk Mail";

// Three rules that all match a message with the subject "Offer".
std::string ThreeRules(const std::string& pickup = "/srv/pickup") {
  return "[Quarvel RuleSet1]\n" + RuleLines(1, "Subject", "Offer", "move to", kJunk, "Junk Mail") +
         RuleLines(2, "IMFSCL", "{>6}", "delete", "<NULL>") +
         RuleLines(3, "From", "x@example.org", "forward to", "Boss <boss@example.org>", "Boss") +
         "[Quarvel PickupDir]\nPath=" + pickup + "\n";
}

const std::vector<std::string> kThreeConditions = {"Subject: Offer", "SCL value is greater than 6",
                                                   "From: x@example.org"};

// The rules the sink reads from the file, by their headers.
std::vector<std::string> SinkHeaders(const RuleListHarness& h) {
  std::vector<std::string> headers;
  for (const Rule& rule : ReadRuleFile(h.RuleFilePath()).rules) headers.push_back(rule.header);
  return headers;
}

class RuleListTest : public ::testing::Test {
 protected:
  void Load(const std::string& ruleFile) {
    h_.WriteRuleFile(ruleFile);
    h_.rules.LoadRules();
  }
  std::string Log() const { return h_.form.txtErr.Text(); }

  RuleListHarness h_;
};

TEST_F(RuleListTest, EachRuleShowsItsDisplayTextAndTooltips) {
  const std::string longValue(80, 'v');
  Load("[Quarvel RuleSet1]\n" + RuleLines(1, "Subject", "[SPAM]", "move to", kJunk, "Junk Mail") +
       RuleLines(2, "X-Long", longValue, "delete", "<NULL>"));
  const ListItemCollection& items = h_.form.ListView2.ListItems();
  ASSERT_EQ(items.Count(), 2);
  const ListItem& first = items(1);
  EXPECT_EQ(first.Text(), "Subject: [SPAM]");
  EXPECT_EQ(first.ToolTipText(), "Subject: [SPAM]");
  EXPECT_EQ(first.ColumnText(1), "move to");
  EXPECT_EQ(first.ListSubItems()(1).ToolTipText(), "") << "the action has no tooltip";
  EXPECT_EQ(first.ColumnText(2), kJunk);
  EXPECT_EQ(first.ListSubItems()(2).ToolTipText(), kJunk);
  EXPECT_EQ(first.ColumnText(3), "Junk Mail");
  EXPECT_EQ(first.ListSubItems()(3).ToolTipText(), "Junk Mail");
  EXPECT_EQ(items(2).ToolTipText(), "X-Long: " + std::string(67, 'v') + " ...");
  EXPECT_EQ(items(2).ColumnText(3), "");
}

struct ListEndCase {
  const char* name;
  std::string rules;
  int rows;
  friend void PrintTo(const ListEndCase& c, std::ostream* os) { *os << c.name; }
};

class RuleListEndTest : public RuleListTest, public ::testing::WithParamInterface<ListEndCase> {};

TEST_P(RuleListEndTest, TheListEndsWhereTheSinkStopsReading) {
  Load("[Quarvel RuleSet1]\n" + GetParam().rules);
  EXPECT_EQ(h_.form.ListView2.ListItems().Count(), GetParam().rows);
  EXPECT_EQ(static_cast<std::size_t>(GetParam().rows),
            ReadRuleFile(h_.RuleFilePath()).rules.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RuleListEndTest,
    ::testing::Values(
        ListEndCase{"Gap",
                    RuleLines(1, "A", "1", "delete", "<NULL>") +
                        RuleLines(2, "B", "2", "delete", "<NULL>") +
                        RuleLines(4, "D", "4", "delete", "<NULL>"),
                    2},
        ListEndCase{"DisplayNameAlone",
                    RuleLines(1, "A", "1", "delete", "<NULL>") + "TargetDisplayName2=Junk\n" +
                        RuleLines(3, "C", "3", "delete", "<NULL>"),
                    1},
        ListEndCase{"NoDisplayNameKey",
                    "ConditionHeader1=A\nConditionValue1=\nAction1=delete\nTarget1=<NULL>\n", 1},
        ListEndCase{"Empty", "", 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(RuleListTest, ButtonsFollowTheSelection) {
  Load(ThreeRules());
  struct Expected {
    int clickedRow;  // 0: none
    bool edit, up, down;
  };
  // Rows 1 to 3: the first cannot move up, the last not down.
  for (const Expected& e : {Expected{0, false, false, false}, Expected{1, true, false, true},
                            Expected{2, true, true, true}, Expected{3, true, true, false}}) {
    SCOPED_TRACE(e.clickedRow);
    if (e.clickedRow > 0) h_.ClickRow(e.clickedRow);
    EXPECT_EQ(h_.form.cmdEdit.Enabled(), e.edit);
    EXPECT_EQ(h_.form.cmdDelete.Enabled(), e.edit);
    EXPECT_EQ(h_.form.cmdMoveUp.Enabled(), e.up);
    EXPECT_EQ(h_.form.cmdMoveDown.Enabled(), e.down);
    EXPECT_TRUE(h_.form.cmdDeleteAll.Enabled());
  }
  Load("");
  for (const CommandButton* button : {&h_.form.cmdEdit, &h_.form.cmdDelete, &h_.form.cmdDeleteAll,
                                      &h_.form.cmdMoveUp, &h_.form.cmdMoveDown}) {
    EXPECT_FALSE(button->Enabled()) << button->Name();
  }
}

TEST_F(RuleListTest, MovesChangeTheOrderInTheListAndInTheFile) {
  Load(ThreeRules());
  h_.ClickRow(2);
  ASSERT_TRUE(h_.form.cmdMoveDown.UserClick());
  const std::vector<std::string> moved = {kThreeConditions[0], kThreeConditions[2],
                                          kThreeConditions[1]};
  EXPECT_EQ(h_.Conditions(), moved);
  EXPECT_EQ(SinkHeaders(h_), (std::vector<std::string>{"Subject", "From", "IMFSCL"}));
  ASSERT_NE(h_.form.ListView2.SelectedItem(), nullptr);
  EXPECT_EQ(h_.form.ListView2.SelectedItem()->Index(), 3) << "the moved rule stays selected";
  EXPECT_TRUE(h_.form.cmdMoveUp.Enabled());
  EXPECT_FALSE(h_.form.cmdMoveDown.Enabled());
  // Display names and targets travel with their rules.
  const auto stored = ReadRuleList(h_.state.sRuleFilePath).rules;
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(stored[1].displayName, "Boss");
  EXPECT_EQ(stored[1].target, "Boss <boss@example.org>");
  EXPECT_EQ(stored[2].target, "<NULL>");

  ASSERT_TRUE(h_.form.cmdMoveUp.UserClick());
  ASSERT_TRUE(h_.form.cmdMoveUp.UserClick());
  EXPECT_EQ(h_.Conditions(), (std::vector<std::string>{kThreeConditions[1], kThreeConditions[0],
                                                       kThreeConditions[2]}));
  EXPECT_EQ(SinkHeaders(h_), (std::vector<std::string>{"IMFSCL", "Subject", "From"}));
  EXPECT_EQ(h_.form.ListView2.SelectedItem()->Index(), 1);
  EXPECT_FALSE(h_.form.cmdMoveUp.Enabled());
  // The pickup directory is saved with the rules, unchanged.
  EXPECT_EQ(ReadPickupPath(h_.state.sRuleFilePath), "/srv/pickup");
  EXPECT_EQ(Log(), "");
}

TEST_F(RuleListTest, EveryLoadRestartsTheComponentApplication) {
  Load(ThreeRules());
  EXPECT_EQ(h_.routines.calls, std::vector<std::string>{"RestartComPlusApp"});
  h_.ClickRow(2);
  h_.form.cmdMoveUp.UserClick();
  h_.form.cmdMoveDown.UserClick();
  EXPECT_EQ(h_.routines.Count("RestartComPlusApp"), 3);
  h_.form.cmdRefreshRules.UserClick();
  EXPECT_EQ(h_.routines.calls,
            (std::vector<std::string>{"RestartComPlusApp", "RestartComPlusApp", "RestartComPlusApp",
                                      "RestartComPlusApp", "GetPublicFolders"}));
  EXPECT_EQ(h_.form.ListView2.SelectedItem(), nullptr) << "Refresh selects nothing";
}

// A file whose list ends at a gap: the rules after it are not shown, and the
// first save drops them, so they can never come back to life.
TEST_F(RuleListTest, RulesBeyondAGapNeverComeBackAfterASave) {
  Load("[Quarvel RuleSet1]\n" + RuleLines(1, "A", "1", "delete", "<NULL>") +
       RuleLines(2, "B", "2", "delete", "<NULL>") + RuleLines(4, "D", "4", "delete", "<NULL>") +
       RuleLines(5, "E", "5", "delete", "<NULL>"));
  h_.ClickRow(2);
  h_.form.cmdMoveUp.UserClick();
  EXPECT_EQ(SinkHeaders(h_), (std::vector<std::string>{"B", "A"}));
  const std::string text = h_.RuleFileText();
  for (const char* gone : {"ConditionHeader4", "ConditionHeader5", "=D", "=E"}) {
    EXPECT_EQ(text.find(gone), std::string::npos) << gone << " in\n" << text;
  }
  // A later rule 3 (as the editor would add it) is the last rule, not one before "D".
  WriteRuleList(h_.state.sRuleFilePath,
                std::vector<StoredRule>{{"B", "2", "delete", "<NULL>", ""},
                                        {"A", "1", "delete", "<NULL>", ""},
                                        {"C", "3", "delete", "<NULL>", ""}},
                "");
  h_.rules.LoadRules();
  EXPECT_EQ(h_.Conditions(), (std::vector<std::string>{"B: 2", "A: 1", "C: 3"}));
}

TEST_F(RuleListTest, AnsweringNoChangesNothing) {
  Load(ThreeRules());
  const std::string before = h_.RuleFileText();
  h_.routines.calls.clear();
  h_.ClickRow(2);
  struct Question {
    CommandButton& button;
    const char* text;
  };
  for (const Question& q : {Question{h_.form.cmdDelete, kDeleteRuleQuestion},
                            Question{h_.form.cmdDeleteAll, kDeleteAllRulesQuestion}}) {
    h_.services().messageBoxes.clear();
    h_.services().answers = {MsgBoxResult::kNo};
    ASSERT_TRUE(q.button.UserClick());
    ASSERT_EQ(h_.services().messageBoxes.size(), 1u);
    const MessageBoxCall& box = h_.services().messageBoxes[0];
    EXPECT_EQ(box.text, q.text);
    EXPECT_EQ(box.buttons, MsgBoxButtons::kYesNo);
    EXPECT_EQ(box.icon, MsgBoxIcon::kExclamation);
    EXPECT_EQ(box.defaultButton, MsgBoxDefault::kButton2);
    EXPECT_EQ(box.caption, "Quarvel");
    EXPECT_EQ(h_.Conditions(), kThreeConditions);
    EXPECT_EQ(h_.RuleFileText(), before);
    EXPECT_TRUE(h_.routines.calls.empty()) << h_.routines.calls.front();
    EXPECT_EQ(h_.form.ListView2.SelectedItem()->Index(), 2);
  }
  // The default answer (Return) is No as well.
  h_.form.cmdDeleteAll.UserClick();
  EXPECT_EQ(h_.RuleFileText(), before);
}

TEST_F(RuleListTest, DeleteLeavesExactlyTheRemainingRules) {
  Load(ThreeRules());
  h_.ClickRow(1);
  h_.services().answers = {MsgBoxResult::kYes};
  h_.form.cmdDelete.UserClick();
  EXPECT_EQ(h_.Conditions(), (std::vector<std::string>{kThreeConditions[1], kThreeConditions[2]}));
  EXPECT_EQ(SinkHeaders(h_), (std::vector<std::string>{"IMFSCL", "From"}));
  EXPECT_EQ(h_.RuleFileText().find("ConditionHeader3"), std::string::npos) << h_.RuleFileText();
  EXPECT_EQ(h_.RuleFileText().find("TargetDisplayName3"), std::string::npos);
  EXPECT_EQ(h_.routines.calls,
            (std::vector<std::string>{"RestartComPlusApp", "CorrelatePFList " + kJunk + "|",
                                      "RestartComPlusApp"}));
  EXPECT_EQ(h_.form.ListView2.SelectedItem(), nullptr);
  EXPECT_FALSE(h_.form.cmdDelete.Enabled());
  EXPECT_EQ(h_.services().mousePointer, MousePointer::kDefault);
}

TEST_F(RuleListTest, DeleteAllRemovesTheSectionAndLeavesThePickupKey) {
  Load(ThreeRules(" /srv/pickup ") + "[Other]\nKey=kept\n");
  h_.services().answers = {MsgBoxResult::kYes};
  h_.form.cmdDeleteAll.UserClick();
  const std::string text = h_.RuleFileText();
  EXPECT_EQ(text, "[Quarvel PickupDir]\nPath= /srv/pickup \n[Other]\nKey=kept\n")
      << "the pickup key is not rewritten";
  EXPECT_EQ(h_.form.ListView2.ListItems().Count(), 0);
  EXPECT_FALSE(h_.form.cmdDeleteAll.Enabled());
  EXPECT_EQ(h_.routines.calls,
            (std::vector<std::string>{"RestartComPlusApp", "TransformAllTargetsInPFList",
                                      "RestartComPlusApp"}));
}

// The file cannot be written: the failure is in the log, the list shows what
// the file holds, and nothing takes the failed change for done.
TEST_F(RuleListTest, AReadOnlyRuleFileIsReportedAndTheListStaysAsTheFile) {
  Load(ThreeRules());
  const std::string before = h_.RuleFileText();
  ASSERT_EQ(::chmod(h_.RuleFilePath().c_str(), 0444), 0);
  h_.routines.calls.clear();

  h_.ClickRow(2);
  h_.form.cmdMoveDown.UserClick();
  EXPECT_NE(Log().find("] SaveRules - ERROR: -2147467259 INI file '" + h_.RuleFilePath() +
                       "': cannot write it: the file is read-only"),
            std::string::npos)
      << Log();
  EXPECT_TRUE(h_.form.txtErr.Visible());
  EXPECT_EQ(h_.Conditions(), kThreeConditions);
  EXPECT_EQ(h_.form.ListView2.SelectedItem()->Index(), 2) << "the same rule stays selected";

  h_.services().answers = {MsgBoxResult::kYes, MsgBoxResult::kYes};
  h_.form.cmdDelete.UserClick();
  EXPECT_EQ(h_.Conditions(), kThreeConditions);
  h_.form.cmdDeleteAll.UserClick();
  EXPECT_EQ(h_.Conditions(), kThreeConditions);
  EXPECT_NE(Log().find("] DeleteIniSection - ERROR: "), std::string::npos) << Log();
  EXPECT_EQ(h_.RuleFileText(), before);
  EXPECT_EQ(h_.routines.Count("RestartComPlusApp"), 3);
  EXPECT_EQ(h_.routines.calls.size(), 3u) << "a rule that is still there freed its target";
}

TEST_F(RuleListTest, AValueTheFileCannotHoldIsRefusedWithAMessage) {
  Load(ThreeRules());
  const std::string before = h_.RuleFileText();
  h_.form.ComboPickUp.UserPaste("/srv/a\nPath=/elsewhere");
  h_.ClickRow(2);
  h_.form.cmdMoveUp.UserClick();
  ASSERT_EQ(h_.services().messageBoxes.size(), 1u);
  EXPECT_EQ(h_.services().messageBoxes[0].text, kValueRefusedMessage);
  EXPECT_EQ(h_.services().messageBoxes[0].buttons, MsgBoxButtons::kOkOnly);
  EXPECT_EQ(h_.RuleFileText(), before);
  EXPECT_EQ(h_.Conditions(), kThreeConditions);
  EXPECT_EQ(h_.form.ComboPickUp.Text(), "/srv/pickup") << "the reload shows what is stored";

  // A row holding 2048 characters (as an editor might put one there).
  ListItem& row = h_.form.ListView2.ListItems().Add(0, "", "Subject: x");
  row.SetSubItemText(1, "delete");
  row.SetSubItemText(2, "<NULL>");
  row.SetSubItemText(3, std::string(2048, 'n'));
  EXPECT_FALSE(h_.rules.SaveRules());
  EXPECT_EQ(h_.services().messageBoxes.size(), 2u);
  EXPECT_EQ(h_.RuleFileText(), before);
  EXPECT_TRUE(h_.state.blnTrackChanges);
  // 2047 characters fit.
  row.SetSubItemText(3, std::string(2047, 'n'));
  EXPECT_TRUE(h_.rules.SaveRules());
  EXPECT_EQ(ReadRuleList(h_.state.sRuleFilePath).rules.at(3).displayName, std::string(2047, 'n'));
}

TEST_F(RuleListTest, RowsAreNeverEditedInPlace) {
  Load(ThreeRules());
  h_.form.ListView2.SetLabelEdit(true);
  ListItem& row = h_.form.ListView2.ListItems()(1);
  EXPECT_FALSE(h_.form.ListView2.UserEditLabel(row, "Subject: changed"));
  EXPECT_EQ(row.Text(), kThreeConditions[0]);
}

TEST_F(RuleListTest, TheEditorOpensBelowTheListsCorner) {
  h_.editor.Move(10, 20, 7000, 6000);
  h_.services().onModal = [](Form& form) { form.Hide(); };
  h_.services().twipsPerPixelX = 15;
  h_.services().twipsPerPixelY = 12;
  h_.services().windowRect = ScreenRect{100, 200, 700, 300};
  h_.rules.ShowForm();
  EXPECT_EQ(h_.editor.Left(), 100 * 15 + 250);
  EXPECT_EQ(h_.editor.Top(), 200 * 12 + 800);
  EXPECT_EQ(h_.editor.Width(), 7000);
  EXPECT_EQ(h_.editor.Height(), 6000);
  EXPECT_EQ(h_.services().log.back(), "RunModal frmAddEdit");
  // Where the list is not drawn, the editor stays where it was.
  h_.services().windowRect.reset();
  h_.rules.ShowForm();
  EXPECT_EQ(h_.editor.Left(), 100 * 15 + 250);
}

// The program wires the frame's controls to the rules list and loads it at
// its first activation.
TEST(RuleListInTheProgramTest, TheWindowsButtonsAct) {
  testing::TestPlatform platform;
  platform.WriteComponentFile();  // otherwise every refresh logs it missing
  auto program = platform.MakeProgram();
  std::ofstream(platform.Root() / "Quarvel.ini") << ThreeRules();
  program->Form().Show();
  InstallForm& form = program->Form();
  ASSERT_EQ(form.ListView2.ListItems().Count(), 3);
  form.ListView2.UserClickItem(form.ListView2.ListItems()(3));
  EXPECT_TRUE(form.cmdMoveUp.UserClick());
  EXPECT_EQ(program->Rules().Rows()[1].condition, kThreeConditions[2]);
  EXPECT_TRUE(form.cmdMoveDown.UserClick());
  EXPECT_EQ(program->Rules().Rows()[2].condition, kThreeConditions[2]);
  platform.Services().answers = {MsgBoxResult::kYes, MsgBoxResult::kYes};
  EXPECT_TRUE(form.cmdDelete.UserClick());
  EXPECT_EQ(form.ListView2.ListItems().Count(), 2);
  EXPECT_TRUE(form.cmdRefreshRules.UserClick());
  EXPECT_EQ(form.ListView2.ListItems().Count(), 2);
  EXPECT_TRUE(form.cmdDeleteAll.UserClick());
  EXPECT_EQ(form.ListView2.ListItems().Count(), 0);
  EXPECT_EQ(form.StatusBar1.Panels()("statustext").Text(),
            "Status: stopped. Reason: COM+ object is not installed.");
  form.ComboPickUp.UserPaste("/srv/new");
  EXPECT_TRUE(form.btnPickUpChange.Enabled());
  EXPECT_TRUE(form.btnPickUpChange.UserClick());
  EXPECT_EQ(ReadPickupPath(platform.Root() / "Quarvel.ini"), "/srv/new");
  EXPECT_EQ(form.txtErr.Text(), "");
}

}  // namespace
}  // namespace quarvel::setup
