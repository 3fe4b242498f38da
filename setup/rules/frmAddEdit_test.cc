// The rule editor as designed: its controls, fixed lists, examples and a
// layout that holds for both target kinds.
#include "setup/rules/frmAddEdit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/controls/LayoutCheck_test_support.h"

namespace quarvel::setup {
namespace {

using namespace platform::controls;

std::vector<std::string> Entries(const ComboBox& combo) {
  std::vector<std::string> entries;
  for (int i = 0; i < combo.ListCount(); ++i) entries.push_back(combo.List(i));
  return entries;
}

TEST(frmAddEditTest, FixedListsHoldTheirEntriesInOrder) {
  frmAddEdit form;
  EXPECT_EQ(Entries(form.ComboSCL1),
            (std::vector<std::string>{"less than", "equal to", "greater than"}));
  EXPECT_EQ(Entries(form.ComboSCL2),
            (std::vector<std::string>{"-1", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
  EXPECT_EQ(Entries(form.ComboAction),
            (std::vector<std::string>{"move to", "delete", "forward to"}));
  for (const ComboBox* list :
       {&form.ComboSCL1, &form.ComboSCL2, &form.ComboAction, &form.ComboTargets}) {
    EXPECT_EQ(list->Style(), ComboStyle::kDropDownList) << list->Name();
  }
  for (const ComboBox* combo : {&form.ComboSMTPheaders, &form.ComboEmailAddresses}) {
    EXPECT_EQ(combo->Style(), ComboStyle::kDropDownCombo) << combo->Name();
  }
}

TEST(frmAddEditTest, TheHeaderConditionIsChosenWithTheSclListsDisabled) {
  frmAddEdit form;
  EXPECT_TRUE(form.Option1.Value());
  EXPECT_FALSE(form.Option2.Value());
  EXPECT_FALSE(form.ComboSCL1.Enabled());
  EXPECT_FALSE(form.ComboSCL2.Enabled());
  EXPECT_TRUE(form.ComboSMTPheaders.Enabled());
  form.Option2.UserClick();  // one group: choosing the SCL condition clears the other
  EXPECT_FALSE(form.Option1.Value());
}

TEST(frmAddEditTest, LabelsExamplesAndButtonsCarryTheirTexts) {
  frmAddEdit form;
  const std::vector<std::pair<const Label*, const char*>> labels = {
      {&form.Label1, "SMTP header"},
      {&form.Label2, "Action"},
      {&form.Label4, "Value"},
      {&form.Label3, "Target"},
      {&form.Label5, "Select target PF from the tree:"},
      {&form.Label6, "Target Display Name:"}};
  for (const auto& [label, caption] : labels) EXPECT_EQ(label->Caption(), caption) << label->Name();
  EXPECT_EQ(form.Text3.Text(), "SCL value is ");
  EXPECT_TRUE(form.Text3.Locked());
  EXPECT_TRUE(form.txtDispLayName.Locked());
  EXPECT_EQ(form.Frame1.Caption(), "Examples:");
  const std::vector<std::pair<std::string, std::string>> examples = {
      {"Subject:", "Spam:"},
      {"Subject:", "[SPAM]"},
      {"X-Spam-Flag:", "YES"},
      {"X-Spam-Status:", "No, hits={>-4.9}"},
      {"X-NewHeader:", "{>3.9 <11.1}"},
      {"Subject:", "{?}{?}:{*}"},
      {"Return-path:", "{*}@example.com{*}"}};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(std::make_pair(form.Text1(i).Text(), form.Text2(i).Text()), examples[i]) << i;
    EXPECT_TRUE(form.Text1(i).Locked() && form.Text2(i).Locked()) << i;
    EXPECT_EQ(form.Text2(i).Parent(), &form.Frame1);
  }
  EXPECT_EQ(form.cmdOK.Caption(), "OK");
  EXPECT_EQ(form.cmdCancel.Caption(), "Cancel");
  EXPECT_FALSE(form.txtPrevUrl.Visible());
  EXPECT_FALSE(form.txtPrevAddress.Visible());
}

TEST(frmAddEditTest, ListsAndTreeUseTheirImages) {
  frmAddEdit form;
  std::vector<std::string> columns;
  for (const ColumnHeader& column : form.ListView1.ColumnHeaders())
    columns.push_back(column.Text());
  EXPECT_EQ(columns, (std::vector<std::string>{"E-mail Address", "Display Name"}));
  for (const char* key : {"user", "userdisabled", "group", "pf", "contact", "accessdenied"}) {
    EXPECT_NE(form.ListView1.SmallIcons()->IndexOf(key), 0) << key;
    EXPECT_NE(form.TreeView1.Images()->IndexOf(key), 0) << key;
  }
  EXPECT_EQ(form.ListView1.ColumnHeaderIcons()->Count(), 2);
}

TEST(frmAddEditTest, LayoutIsSoundForAFolderTargetAndForARecipient) {
  frmAddEdit form;
  // Filled when the dialog is created; the widest must fit.
  for (const char* header :
       {"From:", "Subject:", "X-SMSMSE-SCL:", "X-Spam-Flag:", "X-Spam-Status:", "Return-Path:"}) {
    form.ComboSMTPheaders.AddItem(header);
  }
  EXPECT_EQ(LayoutProblems(form), std::vector<std::string>{});

  form.Label3.SetCaption("Target E-mail Address:");
  form.Label5.SetCaption("Select target E-mail Recipient:");
  form.TreeView1.SetVisible(false);
  form.ComboTargets.SetVisible(false);
  form.ListView1.SetVisible(true);
  form.ComboEmailAddresses.SetVisible(true);
  EXPECT_EQ(LayoutProblems(form), std::vector<std::string>{});
}

}  // namespace
}  // namespace quarvel::setup
