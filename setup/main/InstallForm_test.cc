// The main window as designed: its controls, their design-time texts, and a
// layout without overlaps or clipped captions, also with the texts and
// controls that only appear at run time.
#include "setup/main/InstallForm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/controls/LayoutCheck_test_support.h"

namespace quarvel::setup {
namespace {

using namespace platform::controls;

// The caption or text a control shows.
std::string DesignText(const Control& control) {
  switch (control.Kind()) {
    case ControlKind::kLabel:
      return static_cast<const Label&>(control).Caption();
    case ControlKind::kCommandButton:
      return static_cast<const CommandButton&>(control).Caption();
    case ControlKind::kFrame:
      return static_cast<const Frame&>(control).Caption();
    case ControlKind::kTextBox:
      return static_cast<const TextBox&>(control).Text();
    default:
      return "";
  }
}

std::vector<std::string> ColumnTexts(const ListView& list) {
  std::vector<std::string> texts;
  for (const ColumnHeader& column : list.ColumnHeaders()) texts.push_back(column.Text());
  return texts;
}

// The status pictures are laid over the status bar's panels at start-up.
const LayoutCheckOptions kRunTimeOverlays{{{"Picture1", "StatusBar1"}, {"Picture2", "StatusBar1"}}};

TEST(InstallFormTest, EveryControlCarriesItsDesignTimeText) {
  InstallForm form;
  const std::vector<std::pair<const char*, const char*>> expected = {
      {"Frame1", "COM+ object"},
      {"Label8", "COM+ object is not installed"},
      {"Label3", "Identity:"},
      {"txtIdent", ""},
      {"Label2", "Password:"},
      {"Label10", "Event sink priority:"},
      {"txtPriority", "65520"},
      {"Label11", "(0 is highest, 65535 is lowest)"},
      {"btnInstall", "Install"},
      {"Frame3", "Store-wide registration"},
      {"Label1", "Application can be registered for all public folders."},
      {"btnRegisterSW", "Register"},
      {"Frame2", "Per-folder registration"},
      {"Label4", "(only mail-enabled public folders are shown)"},
      {"cmdCheckAll", "Check All"},
      {"btnChange", "Change"},
      {"cmdRefreshFolders", "Refresh"},
      {"Frame4", "Rules"},
      {"cmdAdd", "Add"},
      {"cmdEdit", "Edit"},
      {"cmdDelete", "Delete"},
      {"cmdDeleteAll", "Delete All"},
      {"cmdMoveUp", "Move Up"},
      {"cmdMoveDown", "Move Down"},
      {"cmdRefreshRules", "Refresh"},
      {"Frame5", "Pickup Directory"},
      {"btnPickUpChange", "Change"},
      {"txtErr", ""},
      {"Command3", "Clear Error Log"},
      {"Command2", "Exit"},
      {"Label6", kProductWebAddress},
  };
  for (const auto& [name, text] : expected) {
    const Control* control = form.FindControl(name);
    ASSERT_NE(control, nullptr) << name;
    EXPECT_EQ(DesignText(*control), text) << name;
  }
  EXPECT_EQ(form.Caption(), "Quarvel setup");
  EXPECT_EQ(form.txtPwd.PasswordChar(), "*");
  EXPECT_TRUE(form.txtErr.MultiLine());
  EXPECT_FALSE(form.txtErr.Visible());  // the log starts empty
  EXPECT_FALSE(form.Command3.Visible());
  EXPECT_TRUE(form.Label6.IsWebLink());
  EXPECT_EQ(form.ComboPickUp.Style(), ComboStyle::kDropDownCombo);
  // Rules and pickup directory sit in their frames.
  EXPECT_EQ(form.ListView2.Parent(), &form.Frame4);
  EXPECT_EQ(form.cmdMoveDown.Parent(), &form.Frame4);
  EXPECT_EQ(form.ComboPickUp.Parent(), &form.Frame5);
}

TEST(InstallFormTest, ListsStatusBarAndImagesAreSetUpAsTheWindowUsesThem) {
  InstallForm form;
  EXPECT_EQ(ColumnTexts(form.ListView1),
            (std::vector<std::string>{"Folder path", "Name", "E-mail address"}));
  EXPECT_TRUE(form.ListView1.Checkboxes());
  EXPECT_EQ(ColumnTexts(form.ListView2),
            (std::vector<std::string>{"Condition", "Action", "Target URL or E-mail Address",
                                      "Target Display Name"}));
  std::vector<std::string> panels;
  for (const Panel& panel : form.StatusBar1.Panels()) panels.push_back(panel.Key());
  EXPECT_EQ(panels, (std::vector<std::string>{"statuspict", "statustext", "progress"}));
  for (const char* key : {"pf", "checked", "unchecked", "targetpf", "accessdenied"}) {
    EXPECT_NE(form.ListView1.SmallIcons()->IndexOf(key), 0) << key;
  }
  // Header picture 0 is the ascending arrow, 1 the descending one.
  EXPECT_EQ(form.ListView1.ColumnHeaderIcons()->Count(), 2);
}

TEST(InstallFormTest, LayoutIsSoundAsDesigned) {
  InstallForm form;
  EXPECT_EQ(LayoutProblems(form), std::vector<std::string>{});
  EXPECT_NEAR(form.Width(), 10000, 1000);
  EXPECT_NEAR(form.Height(), 9000, 1000);
}

// Everything the window may show at once, with its longest run-time texts.
TEST(InstallFormTest, LayoutStaysSoundWithRunTimeTextsAndControls) {
  InstallForm form;
  form.Label8.SetCaption("COM+ object \"Quarvel\" is not installed.");
  form.Label2.SetCaption("Password: ********");
  form.btnInstall.SetCaption("Uninstall");
  form.btnRegisterSW.SetCaption("Unregister");
  form.cmdCheckAll.SetCaption("Uncheck All");
  form.Frame2.SetCaption("Mail-enabled Public Folders");
  form.Label1.SetCaption(
      "As Quarvel application is registered store-wide, you can not provide per-folder "
      "registration.");
  for (Control* control :
       {static_cast<Control*>(&form.txtErr), static_cast<Control*>(&form.Command3),
        static_cast<Control*>(&form.Picture1), static_cast<Control*>(&form.Picture2)}) {
    control->SetVisible(true);
  }
  EXPECT_EQ(LayoutProblems(form, kRunTimeOverlays), std::vector<std::string>{});
}

TEST(InstallFormTest, TheLayoutCheckFindsOverlapsAndClippedCaptions) {
  InstallForm form;
  form.cmdEdit.SetLeft(form.cmdAdd.Left() + 600);
  form.Label11.SetCaption("(0 is the very highest priority, 65535 is the lowest)");
  form.Picture2.SetVisible(true);
  form.btnRegisterSW.SetLeft(2600);
  const std::vector<std::string> problems = LayoutProblems(form);
  EXPECT_EQ(problems, (std::vector<std::string>{
                          "btnRegisterSW: reaches outside Frame3",
                          "cmdEdit: overlaps cmdAdd",
                          "Picture2: overlaps StatusBar1",
                          "Label11: \"(0 is the very highest priority, 65535 is the lowest)\" "
                          "needs 4599 twips, has 3030",
                      }));
}

}  // namespace
}  // namespace quarvel::setup
