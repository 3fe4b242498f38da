// The rule editor as an administrator uses it, driven through its controls
// in the whole program: Add and Edit fill it, OK stores what it shows or
// refuses, Cancel and the close box change nothing, and the targets, the
// recipients and the change colours behave as the person sees them.
#include "setup/rules/RuleEditor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/RuleFileReader.h"
#include "common/Text.h"
#include "setup/rules/RuleEditorHarness_test_support.h"
#include "setup/rules/RuleFileAccess.h"
#include "setup/rules/RuleListHarness_test_support.h"

namespace quarvel::setup {
namespace {

using namespace platform::controls;
using testing::EditorSession;
using testing::kBoardRoom;
using testing::kInbox;
using testing::kJunkMail;
using testing::kQuarantine;
using testing::RuleLines;

const std::string kThreeRules =
    "[Quarvel RuleSet1]\n" + RuleLines(1, "Subject", "[SPAM]", "move to", kJunkMail, "Junk Mail") +
    RuleLines(2, "IMFSCL", "{>6}", "delete", "<NULL>") +
    RuleLines(3, "From", "x@example.org", "forward to", "alice.martin@example.com", "Alice Martin");

int IndexOf(const ComboBox& combo, const std::string& text) {
  for (int i = 0; i < combo.ListCount(); ++i) {
    if (combo.List(i) == text) return i;
  }
  return -1;
}

void ChooseAction(frmAddEdit& editor, const std::string& action) {
  ASSERT_TRUE(editor.ComboAction.UserSelect(IndexOf(editor.ComboAction, action))) << action;
}

std::vector<std::string> RecipientColumn(const frmAddEdit& editor, int column) {
  std::vector<std::string> texts;
  for (const ListItem& row : editor.ListView1.ListItems()) texts.push_back(row.ColumnText(column));
  return texts;
}

// --- OK: enabled only for a rule that can be complete -----------------------

struct OkCase {
  const char* name;
  bool scl;
  const char* header;
  const char* value;
  const char* action;
  std::string folder;   // a target list entry to choose, or ""
  std::string address;  // typed into the address combo, or ""
  bool okEnabled;
  std::string stored;  // the rules list's row after OK; "" when OK keeps the dialog open
  friend void PrintTo(const OkCase& c, std::ostream* os) { *os << c.name; }
};

class OkEnablingTest : public ::testing::TestWithParam<OkCase> {};

TEST_P(OkEnablingTest, FollowsTheConditionKindAndTheAction) {
  const OkCase& c = GetParam();
  EditorSession session;
  frmAddEdit& editor = session.editor();
  const bool stayedOpen = session.Add([&] {
    EXPECT_FALSE(editor.cmdOK.Enabled()) << "until a field changes";
    if (c.scl) {
      editor.Option2.UserClick();
    } else {
      editor.ComboSMTPheaders.UserPaste(c.header);
      editor.txtValue.UserPaste(c.value);
    }
    ChooseAction(editor, c.action);
    if (!c.folder.empty()) editor.ComboTargets.UserSelect(IndexOf(editor.ComboTargets, c.folder));
    if (!c.address.empty()) editor.ComboEmailAddresses.UserPaste(c.address);
    EXPECT_EQ(editor.cmdOK.Enabled(), c.okEnabled);
    editor.cmdOK.UserClick();
  });
  EXPECT_EQ(stayedOpen, c.stored.empty());
  EXPECT_EQ(session.Rules(),
            c.stored.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.stored});
  const std::vector<MessageBoxCall>& boxes = session.services().messageBoxes;
  if (c.okEnabled && c.stored.empty()) {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, " Please populate all fields");
    EXPECT_EQ(boxes[0].buttons, MsgBoxButtons::kOkOnly);
    EXPECT_EQ(boxes[0].icon, MsgBoxIcon::kNone);
    EXPECT_EQ(boxes[0].caption, "Quarvel");
  } else {
    EXPECT_TRUE(boxes.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OkEnablingTest,
    ::testing::Values(
        OkCase{"HeaderMove", false, "Subject:", "[SPAM]", "move to", kJunkMail, "", true,
               "Subject: [SPAM] | move to | " + kJunkMail + " | Junk Mail"},
        OkCase{"HeaderMoveWithoutFolder", false, "Subject:", "[SPAM]", "move to", "", "", false,
               ""},
        OkCase{"HeaderBlankValue", false, "Subject:", "   ", "delete", "", "", false, ""},
        OkCase{"HeaderBlankName", false, " ", "[SPAM]", "delete", "", "", false, ""},
        OkCase{"HeaderDelete", false, " X-Spam-Flag: ", " YES ", "delete", "", "", true,
               "X-Spam-Flag: YES | delete | <NULL> | "},
        OkCase{"HeaderForwardWithoutAddress", false, "From:", "x", "forward to", "", "", false, ""},
        OkCase{"HeaderForward", false, "From:", "x", "forward to", "", "boss@outside.example", true,
               "From: x | forward to | boss@outside.example | "},
        // The SCL condition enables OK for every action; OK then tells what is missing.
        OkCase{"SclMoveWithoutFolder", true, "", "", "move to", "", "", true, ""},
        OkCase{"SclForwardWithoutAddress", true, "", "", "forward to", "", "", true, ""},
        OkCase{"SclDelete", true, "", "", "delete", "", "", true,
               "SCL value is equal to -1 | delete | <NULL> | "},
        OkCase{"SclMove", true, "", "", "move to", kQuarantine, "", true,
               "SCL value is equal to -1 | move to | " + kQuarantine + " | Quarantine"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Values the dialog cannot store as shown ------------------------------

struct RefusalCase {
  const char* name;
  std::string header;
  std::string value;
  std::string message;  // "" when the rule is stored
  friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, KeepsTheDialogOpenAndTheFileAsItWas) {
  const RefusalCase& c = GetParam();
  EditorSession session(kThreeRules);
  const std::string before = session.RuleFileText();
  frmAddEdit& editor = session.editor();
  const bool stayedOpen = session.Add([&] {
    editor.ComboSMTPheaders.UserPaste(c.header);
    editor.txtValue.UserPaste(c.value);
    ChooseAction(editor, "delete");
    ASSERT_TRUE(editor.cmdOK.UserClick());
  });
  const auto& boxes = session.services().messageBoxes;
  if (c.message.empty()) {
    EXPECT_FALSE(stayedOpen);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadRuleList(session.RuleFilePath()).rules.at(3).value, text::Trim(c.value));
    return;
  }
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, c.message);
  EXPECT_EQ(boxes[0].buttons, MsgBoxButtons::kOkOnly);
  EXPECT_EQ(session.RuleFileText(), before);
  EXPECT_EQ(session.Rules().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RefusalTest,
    ::testing::Values(RefusalCase{"LineFeed", "Subject:", "a\nb", kValueRefusedMessage},
                      RefusalCase{"CarriageReturn", "Subject:", "a\rb", kValueRefusedMessage},
                      RefusalCase{"TooLong", "Subject:", std::string(2048, 'v'),
                                  kValueRefusedMessage},
                      RefusalCase{"LongestThatFits", "Subject:", std::string(2047, 'v'), ""},
                      // "X-A: b" would be stored as the header "X-A" with the value "b: ...".
                      RefusalCase{"ColonInsideTheHeader", "X-A: b", "c", kHeaderColonMessage},
                      RefusalCase{"TwoColonsAtTheEnd", "X-A::", "c", kHeaderColonMessage},
                      RefusalCase{"OneColonAtTheEnd", "X-A:", "c", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RuleEditorTest, AHeaderTypedWithoutAColonGetsOne) {
  EditorSession session;
  frmAddEdit& editor = session.editor();
  session.Add([&] {
    editor.ComboSMTPheaders.UserPaste("X-Test");
    editor.txtValue.UserType("yes");
    ChooseAction(editor, "delete");
    editor.cmdOK.UserClick();
  });
  EXPECT_EQ(session.Rules(), std::vector<std::string>{"X-Test: yes | delete | <NULL> | "});
  EXPECT_EQ(ReadRuleList(session.RuleFilePath()).rules.at(0).header, "X-Test");
}

TEST(RuleEditorTest, AnInvalidPatternShowsWhyAndIsSavedOnlyWhenConfirmed) {
  EditorSession session(kThreeRules);
  frmAddEdit& editor = session.editor();
  const std::string why =
      "invalid pattern: '[' at character 1 has no closing ']'\n"
      "The sink treats this condition as not met.";
  const auto person = [&] {
    editor.ComboSMTPheaders.UserPaste("Subject:");
    editor.txtValue.UserType("[abc{*}");
    EXPECT_EQ(editor.txtValue.ToolTipText(), why);
    EXPECT_NE(editor.txtValue.BackColor(), Color::System(SystemColor::kWindowBackground));
    ChooseAction(editor, "delete");
    editor.cmdOK.UserClick();
  };
  session.services().answers = {MsgBoxResult::kNo};
  EXPECT_TRUE(session.Add(person)) << "No keeps the dialog open";
  ASSERT_EQ(session.services().messageBoxes.size(), 1u);
  const MessageBoxCall& question = session.services().messageBoxes[0];
  EXPECT_EQ(question.text, why + "\n\nSave the rule anyway?");
  EXPECT_EQ(question.buttons, MsgBoxButtons::kYesNo);
  EXPECT_EQ(question.defaultButton, MsgBoxDefault::kButton2);
  EXPECT_EQ(session.Rules().size(), 3u);

  session.services().answers = {MsgBoxResult::kYes};
  EXPECT_FALSE(session.Add(person));
  EXPECT_EQ(session.Rules().back(), "Subject: [abc{*} | delete | <NULL> | ");

  // A valid value, or the SCL condition, shows nothing.
  session.Add([&] {
    editor.txtValue.UserPaste("[abc]{*}");
    EXPECT_EQ(editor.txtValue.ToolTipText(), "");
    editor.txtValue.UserPaste("[{*}");
    EXPECT_NE(editor.txtValue.ToolTipText(), "");
    editor.Option2.UserClick();
    EXPECT_EQ(editor.txtValue.ToolTipText(), "");
    EXPECT_EQ(editor.txtValue.BackColor(), Color::System(SystemColor::kWindowBackground));
  });
  // Editing a stored invalid pattern shows the problem at once.
  session.Edit(4, [&] { EXPECT_EQ(editor.txtValue.ToolTipText(), why); });
}

// --- Editing stored rules ---------------------------------------------------

TEST(RuleEditorTest, EditFillsTheDialogAndOkReplacesTheSelectedRow) {
  EditorSession session(kThreeRules);
  frmAddEdit& editor = session.editor();
  session.Edit(2, [&] {
    EXPECT_EQ(editor.Caption(), "Edit Rule");
    EXPECT_TRUE(editor.Option2.Value());
    EXPECT_EQ(editor.ComboSCL1.Text(), "greater than");
    EXPECT_EQ(editor.ComboSCL2.Text(), "6");
    EXPECT_TRUE(editor.ComboSCL1.Enabled());
    EXPECT_FALSE(editor.txtValue.Enabled());
    EXPECT_EQ(editor.ComboAction.Text(), "delete");
    EXPECT_FALSE(editor.cmdOK.Enabled());
    EXPECT_FALSE(session.program->State().blnAllowEditorUnload);
    editor.ComboSCL2.UserSelect(IndexOf(editor.ComboSCL2, "8"));
    EXPECT_TRUE(editor.cmdOK.Enabled());
    editor.cmdOK.UserClick();
  });
  EXPECT_TRUE(session.program->State().blnAllowEditorUnload);
  EXPECT_EQ(session.Rules()[1], "SCL value is greater than 8 | delete | <NULL> | ");
  EXPECT_EQ(ReadRuleList(session.RuleFilePath()).rules.at(1).value, "{>8}");
  InstallForm& form = session.form();
  ASSERT_NE(form.ListView2.SelectedItem(), nullptr);
  EXPECT_EQ(form.ListView2.SelectedItem()->Index(), 2);
  EXPECT_TRUE(form.cmdMoveUp.Enabled() && form.cmdMoveDown.Enabled());

  session.Edit(3, [&] {
    EXPECT_TRUE(editor.Option1.Value());
    EXPECT_EQ(editor.ComboSMTPheaders.Text(), "From:");
    EXPECT_EQ(editor.txtValue.Text(), "x@example.org");
    EXPECT_TRUE(editor.ListView1.Visible());
    EXPECT_EQ(editor.ComboEmailAddresses.Text(), "alice.martin@example.com");
    EXPECT_EQ(editor.txtDispLayName.Text(), "Alice Martin");
    EXPECT_EQ(editor.txtPrevAddress.Text(), "alice.martin@example.com");
  });
  // Add starts afresh, but keeps the condition kind last chosen.
  session.Edit(2, [] {});
  session.Add([&] {
    EXPECT_EQ(editor.Caption(), "New Rule");
    EXPECT_TRUE(editor.Option2.Value());
    EXPECT_EQ(editor.ComboSMTPheaders.Text(), "From:");
    EXPECT_EQ(editor.txtValue.Text(), "");
    EXPECT_EQ(editor.ComboAction.Text(), "move to");
    EXPECT_EQ(editor.ComboSCL1.Text(), "equal to");
    EXPECT_EQ(editor.ComboSCL2.Text(), "-1");
    EXPECT_EQ(editor.ComboTargets.ListIndex(), -1);
    EXPECT_EQ(editor.ComboEmailAddresses.Text(), "");
    EXPECT_EQ(editor.txtDispLayName.Text(), "");
    EXPECT_EQ(editor.txtPrevUrl.Text(), "");
    EXPECT_EQ(editor.TreeView1.SelectedItem(), nullptr);
    EXPECT_EQ(editor.ListView1.SelectedItem(), nullptr);
    // The busy pointer of the preparation is not over the dialog.
    EXPECT_EQ(session.services().mousePointer, MousePointer::kDefault);
  });
}

TEST(RuleEditorTest, AForwardRuleWhoseAddressLeftTheDirectoryStaysAsItWas) {
  const std::string rules =
      "[Quarvel RuleSet1]\n" + RuleLines(1, "From", "x", "forward to", "gone@example.com", "Gone");
  EditorSession session(rules);
  const std::string before = session.RuleFileText();
  frmAddEdit& editor = session.editor();
  const bool stayedOpen = session.Edit(1, [&] {
    EXPECT_EQ(editor.ComboEmailAddresses.Text(), "");
    EXPECT_EQ(editor.ComboEmailAddresses.ListIndex(), -1);
    EXPECT_EQ(editor.txtDispLayName.Text(), "");
    EXPECT_EQ(editor.txtPrevAddress.Text(), "gone@example.com");
    editor.txtValue.UserType("y");
    EXPECT_FALSE(editor.cmdOK.Enabled()) << "no address";
  });
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(session.RuleFileText(), before);
  EXPECT_EQ(session.Rules(),
            std::vector<std::string>{"From: x | forward to | gone@example.com | Gone"});
}

// A stored relation, number or action that the lists do not hold leaves the
// list without a selection (not the one an earlier rule left there), and OK
// disabled until the person chooses.
struct UnlistedCase {
  const char* name;
  std::string rule;
  int listsWithoutChoice;  // of relation, number and action
  friend void PrintTo(const UnlistedCase& c, std::ostream* os) { *os << c.name; }
};

class UnlistedValueTest : public ::testing::TestWithParam<UnlistedCase> {};

TEST_P(UnlistedValueTest, IsNeverRewrittenByOk) {
  const std::string rules =
      "[Quarvel RuleSet1]\n" + RuleLines(1, "IMFSCL", "{>6}", "delete", "<NULL>") + GetParam().rule;
  EditorSession session(rules);
  const std::string before = session.RuleFileText();
  frmAddEdit& editor = session.editor();
  session.Edit(1, [] {});  // the lists now hold "greater than", "6" and "delete"
  session.Edit(2, [&] {
    const int withoutChoice = (editor.ComboSCL1.ListIndex() == -1 ? 1 : 0) +
                              (editor.ComboSCL2.ListIndex() == -1 ? 1 : 0) +
                              (editor.ComboAction.ListIndex() == -1 ? 1 : 0);
    EXPECT_EQ(withoutChoice, GetParam().listsWithoutChoice);
    editor.Option1.UserClick();
    editor.Option2.UserClick();
    EXPECT_FALSE(editor.cmdOK.Enabled());
    EXPECT_FALSE(editor.cmdOK.UserClick());
    editor.cmdOK.OnClick();  // even run from code, OK refuses
    EXPECT_TRUE(editor.Visible());
  });
  EXPECT_EQ(session.RuleFileText(), before);

  // Once the person chooses, OK stores the choice.
  session.Edit(2, [&] {
    editor.ComboSCL1.UserSelect(IndexOf(editor.ComboSCL1, "less than"));
    editor.ComboSCL2.UserSelect(IndexOf(editor.ComboSCL2, "2"));
    ChooseAction(editor, "delete");
    ASSERT_TRUE(editor.cmdOK.UserClick());
  });
  EXPECT_EQ(session.Rules()[1], "SCL value is less than 2 | delete | <NULL> | ");
}

INSTANTIATE_TEST_SUITE_P(
    Rules, UnlistedValueTest,
    ::testing::Values(
        // Listed as "SCL value is greater than 3 <8": relation "greater than 3", number "<8".
        UnlistedCase{"TwoRelations", RuleLines(2, "IMFSCL", "{>3 <8}", "delete", "<NULL>"), 2},
        // Listed as "SCL value is {=2".
        UnlistedCase{"OtherMarker", RuleLines(2, "IMFSCL", "{=2}", "delete", "<NULL>"), 2},
        UnlistedCase{"NumberOutOfRange", RuleLines(2, "IMFSCL", "{>12}", "delete", "<NULL>"), 1},
        UnlistedCase{"UnknownAction", RuleLines(2, "IMFSCL", "{<3}", "bounce", "<NULL>"), 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RuleEditorTest, TheCloseBoxChangesNothing) {
  EditorSession session(kThreeRules);
  const std::string before = session.RuleFileText();
  frmAddEdit& editor = session.editor();
  session.Edit(1, [&] {
    editor.txtValue.UserType("more");
    ChooseAction(editor, "delete");
    EXPECT_FALSE(editor.UserClose()) << "refused";
    EXPECT_FALSE(editor.Visible()) << "but hidden, which ends the dialog";
  });
  EXPECT_TRUE(editor.IsLoaded());
  EXPECT_EQ(session.RuleFileText(), before);
  EXPECT_EQ(session.Rules()[0], "Subject: [SPAM] | move to | " + kJunkMail + " | Junk Mail");
  // Leaving the program unloads it for good.
  session.program->Exit();
  EXPECT_FALSE(editor.IsLoaded());
}

// --- Targets ------------------------------------------------------------------

TEST(RuleEditorTest, ChangingTheActionKeepsTheFolderAndDeleteHidesEveryTarget) {
  EditorSession session;
  frmAddEdit& editor = session.editor();
  session.Add([&] {
    EXPECT_TRUE(editor.TreeView1.Visible());
    EXPECT_EQ(editor.Label3.Caption(), "Target URL:");
    editor.TreeView1.UserClickNode(editor.TreeView1.Nodes()(kQuarantine));
    EXPECT_EQ(editor.ComboTargets.Text(), kQuarantine);
    EXPECT_EQ(editor.ComboTargets.ToolTipText(), kQuarantine);
    EXPECT_EQ(editor.txtDispLayName.Text(), "Quarantine");

    ChooseAction(editor, "forward to");
    EXPECT_TRUE(editor.ListView1.Visible());
    EXPECT_FALSE(editor.TreeView1.Visible());
    EXPECT_TRUE(editor.ComboEmailAddresses.Visible());
    EXPECT_FALSE(editor.ComboTargets.Visible());
    EXPECT_EQ(editor.Label3.Caption(), "Target E-mail Address:");
    EXPECT_EQ(editor.Label5.Caption(), "Select target E-mail Recipient:");
    EXPECT_EQ(editor.txtDispLayName.Text(), "");

    ChooseAction(editor, "move to");
    EXPECT_EQ(editor.ComboTargets.Text(), kQuarantine);
    EXPECT_EQ(editor.txtDispLayName.Text(), "Quarantine");
    EXPECT_EQ(editor.Label5.Caption(), "Select target Public Folder:");
    ASSERT_NE(editor.TreeView1.SelectedItem(), nullptr);
    EXPECT_EQ(editor.TreeView1.SelectedItem()->Key(), kQuarantine);
    EXPECT_TRUE(editor.TreeView1.Nodes()(kJunkMail).Expanded());

    ChooseAction(editor, "delete");
    for (const Control* control :
         std::vector<const Control*>{&editor.txtDispLayName, &editor.Label3, &editor.ComboTargets,
                                     &editor.ComboEmailAddresses, &editor.Label5, &editor.Label6,
                                     &editor.TreeView1, &editor.ListView1}) {
      EXPECT_FALSE(control->Visible()) << control->Name();
    }
    editor.txtValue.UserType("x");
    editor.cmdOK.UserClick();
  });
  // The display name is stored as the box held it.
  EXPECT_EQ(session.Rules(), std::vector<std::string>{"From: x | delete | <NULL> | Quarantine"});
  EXPECT_EQ(ReadRuleList(session.RuleFilePath()).rules.at(0).target, "<NULL>");
}

TEST(RuleEditorTest, FoldersAndRecipientsThatMayNotBeChosenBringBackThePreviousChoice) {
  EditorSession session;
  frmAddEdit& editor = session.editor();
  session.Add([&] {
    editor.TreeView1.UserClickNode(editor.TreeView1.Nodes()(kInbox));
    editor.TreeView1.UserClickNode(editor.TreeView1.Nodes()(kBoardRoom));
    EXPECT_EQ(editor.ComboTargets.Text(), kInbox);
    EXPECT_EQ(editor.txtDispLayName.Text(), "Inbox");
    EXPECT_EQ(editor.TreeView1.SelectedItem()->Key(), kInbox);

    ChooseAction(editor, "forward to");
    ListItemCollection& rows = editor.ListView1.ListItems();
    editor.ListView1.UserClickItem(rows("alice.martin@example.com"));
    EXPECT_EQ(editor.ComboEmailAddresses.Text(), "alice.martin@example.com");
    EXPECT_EQ(editor.txtDispLayName.Text(), "Alice Martin");
    editor.ListView1.UserClickItem(rows("carol.kim@example.com"));  // a disabled account
    EXPECT_EQ(editor.ComboEmailAddresses.Text(), "alice.martin@example.com");
    EXPECT_EQ(editor.txtDispLayName.Text(), "Alice Martin");
    EXPECT_EQ(editor.ListView1.SelectedItem()->Key(), "alice.martin@example.com");
    // Clicking the chosen recipient again keeps its address entry chosen.
    editor.ListView1.UserClickItem(rows("alice.martin@example.com"));
    EXPECT_NE(editor.ComboEmailAddresses.ListIndex(), -1);
  });
}

TEST(RuleEditorTest, AnAddressTypedInAnotherCaseSelectsTheRecipient) {
  EditorSession session;
  frmAddEdit& editor = session.editor();
  session.Add([&] {
    editor.txtValue.UserType("x");
    ChooseAction(editor, "forward to");
    editor.ComboEmailAddresses.UserType("ALICE.Martin@Example.COM");
    EXPECT_EQ(editor.ComboEmailAddresses.ListIndex(),
              IndexOf(editor.ComboEmailAddresses, "alice.martin@example.com"));
    EXPECT_EQ(editor.ComboEmailAddresses.Text(), "alice.martin@example.com");
    EXPECT_EQ(editor.txtDispLayName.Text(), "Alice Martin");
    EXPECT_EQ(editor.ListView1.SelectedItem()->Key(), "alice.martin@example.com");
    EXPECT_EQ(editor.ComboEmailAddresses.ForeColor(), kRed);
    editor.cmdOK.UserClick();
  });
  session.Add([&] {
    editor.txtValue.UserType("y");
    ChooseAction(editor, "forward to");
    editor.ComboEmailAddresses.UserType("someone@outside.example");
    EXPECT_EQ(editor.txtDispLayName.Text(), "");
    EXPECT_EQ(editor.ListView1.SelectedItem(), nullptr);
    editor.cmdOK.UserClick();
  });
  EXPECT_EQ(session.Rules(), (std::vector<std::string>{
                                 "From: x | forward to | alice.martin@example.com | Alice Martin",
                                 "From: y | forward to | someone@outside.example | "}));
}

TEST(RuleEditorTest, RecipientsSortByTheClickedColumn) {
  EditorSession session;
  frmAddEdit& editor = session.editor();
  // The list compares upper-cased texts.
  const auto sorted = [](const std::vector<std::string>& texts, bool descending) {
    return std::is_sorted(texts.begin(), texts.end(),
                          [&](const std::string& a, const std::string& b) {
                            return descending ? text::UpperCase(a) > text::UpperCase(b)
                                              : text::UpperCase(a) < text::UpperCase(b);
                          });
  };
  const std::vector<std::string> addresses = RecipientColumn(editor, 0);
  ASSERT_GT(addresses.size(), 3u);
  EXPECT_TRUE(sorted(addresses, false)) << "ascending by address from the start";
  session.Add([&] {
    ChooseAction(editor, "forward to");
    ColumnHeaderCollection& columns = editor.ListView1.ColumnHeaders();
    const struct {
      int column;
      bool descending;
    } clicks[] = {{1, true}, {2, false}, {2, true}, {1, false}};
    for (const auto& click : clicks) {
      ASSERT_TRUE(editor.ListView1.UserClickColumn(columns(click.column)));
      const std::vector<std::string> texts = RecipientColumn(editor, click.column - 1);
      EXPECT_TRUE(sorted(texts, click.descending)) << click.column;
      EXPECT_TRUE(columns(click.column).ShowsHeaderImage());
      EXPECT_EQ(columns(click.column).HeaderImage(), click.descending ? 1 : 0);
      EXPECT_FALSE(columns(3 - click.column).ShowsHeaderImage());
    }
  });
}

// --- Change colours ----------------------------------------------------------

TEST(RuleEditorTest, AChangedFieldIsRedUntilItsTextIsBackAndItsListOpens) {
  EditorSession session(kThreeRules);
  frmAddEdit& editor = session.editor();
  session.Edit(1, [&] {
    for (const Control* field :
         std::vector<const Control*>{&editor.ComboSMTPheaders, &editor.txtValue,
                                     &editor.ComboAction, &editor.ComboTargets}) {
      EXPECT_EQ(field->ForeColor(), kBlack) << field->Name();
    }
    editor.txtValue.UserType("x");
    EXPECT_EQ(editor.txtValue.ForeColor(), kRed);
    editor.txtValue.UserPaste("[spam]");  // the stored text in other letters' case
    EXPECT_EQ(editor.txtValue.ForeColor(), kBlack);
    editor.ComboSMTPheaders.UserPaste("From:");
    EXPECT_EQ(editor.ComboSMTPheaders.ForeColor(), kRed);
    editor.TreeView1.UserClickNode(editor.TreeView1.Nodes()(kInbox));
    EXPECT_EQ(editor.ComboTargets.ForeColor(), kRed);
    // Opening its list turns a field black; the next change shows it again.
    editor.ComboTargets.UserOpenDropDown();
    EXPECT_EQ(editor.ComboTargets.ForeColor(), kBlack);
    editor.ComboTargets.UserSelect(IndexOf(editor.ComboTargets, kInbox));
    EXPECT_EQ(editor.ComboTargets.ForeColor(), kRed);
    editor.ComboTargets.UserSelect(IndexOf(editor.ComboTargets, kJunkMail));
    EXPECT_EQ(editor.ComboTargets.ForeColor(), kBlack);
    EXPECT_TRUE(editor.cmdOK.Enabled());
  });
  // Shown again, every field starts black and OK disabled.
  session.Edit(1, [&] {
    EXPECT_EQ(editor.ComboSMTPheaders.ForeColor(), kBlack);
    EXPECT_FALSE(editor.cmdOK.Enabled());
  });
}

// --- What OK tells the folder list ------------------------------------------

// The editor on its own, with the routines of other concerns recorded.
TEST(RuleEditorRoutinesTest, OkTellsTheFolderListOfTheChangedTargetOnlyWhenItWasStored) {
  testing::RuleListHarness h;
  h.WriteRuleFile("[Quarvel RuleSet1]\n" +
                  RuleLines(1, "Subject", "[SPAM]", "move to", kJunkMail, "Junk Mail"));
  h.rules.LoadRules();
  RuleEditor ruleEditor(h.context, h.routines, h.rules);
  ruleEditor.WireEvents();
  h.form.cmdEdit.OnClick = [&] { h.rules.EditClick(ruleEditor); };
  h.editor.Load();
  testing::FillFolderTree(h.editor);
  const auto editTo = [&](const std::string& folder) {
    h.routines.calls.clear();
    h.services().onModal = [&](Form&) {
      h.editor.TreeView1.UserClickNode(h.editor.TreeView1.Nodes()(folder));
      h.editor.cmdOK.UserClick();
    };
    h.ClickRow(1);
    h.form.cmdEdit.UserClick();
  };

  editTo(kInbox);
  EXPECT_EQ(h.routines.Count("CorrelatePFList " + kJunkMail + "|" + kInbox), 1)
      << ::testing::PrintToString(h.routines.calls);
  EXPECT_EQ(h.rules.Rows().at(0).target, kInbox);
  EXPECT_EQ(h.form.ListView2.SelectedItem()->Index(), 1);

  // A rule file that cannot be written: logged, and no folder changes its mark.
  ASSERT_EQ(::chmod(h.RuleFilePath().c_str(), 0444), 0);
  editTo(kQuarantine);
  EXPECT_EQ(h.routines.Count("CorrelatePFList " + kInbox + "|" + kQuarantine), 0);
  EXPECT_NE(h.form.txtErr.Text().find("] SaveRules - ERROR: "), std::string::npos);
  EXPECT_TRUE(h.form.txtErr.Visible());
  EXPECT_EQ(h.rules.Rows().at(0).target, kInbox) << "the list shows the file";
}

}  // namespace
}  // namespace quarvel::setup
