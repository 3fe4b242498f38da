// The main window as designed: every control's design-time text, its place
// in twips (15 twips to a pixel at 96 DPI) and the lists' columns, panels
// and image keys. Nothing here runs any of the window's logic.
#include "setup/main/InstallForm.h"

namespace quarvel::setup {

using namespace platform::controls;

namespace {

constexpr int kButtonHeight = 375;
constexpr int kTextHeight = 315;
constexpr int kLabelHeight = 255;

}  // namespace

void InstallForm::Layout() {
  SetCaption("Quarvel setup");
  Move(0, 0, 10500, 9450);

  // COM+ object. Labels sit 45 twips below the top of the box they name, so
  // their text lines up with the box's text.
  Add(Frame1).Move(120, 60, 6300, 2010);
  Frame1.SetCaption("COM+ object");
  Frame1.Add(Label8).Move(150, 345, 4500, kLabelHeight);
  Label8.SetCaption("COM+ object is not installed");
  Frame1.Add(btnInstall).Move(4800, 270, 1350, kButtonHeight);
  btnInstall.SetCaption("Install");
  Frame1.Add(Label3).Move(150, 795, 2000, kLabelHeight);
  Label3.SetCaption("Identity:");
  Frame1.Add(txtIdent).Move(2250, 750, 3900, kTextHeight);
  Frame1.Add(Label2).Move(150, 1185, 2000, kLabelHeight);
  Label2.SetCaption("Password:");
  Frame1.Add(txtPwd).Move(2250, 1140, 3900, kTextHeight);
  txtPwd.SetPasswordChar("*");
  Frame1.Add(Label10).Move(150, 1575, 2000, kLabelHeight);
  Label10.SetCaption("Event sink priority:");
  Frame1.Add(txtPriority).Move(2250, 1530, 780, kTextHeight);
  txtPriority.SetText("65520");
  Frame1.Add(Label11).Move(3120, 1575, 3030, kLabelHeight);
  Label11.SetCaption("(0 is highest, 65535 is lowest)");

  // Store-wide registration; its state line takes up to three lines.
  Add(Frame3).Move(6540, 60, 3840, 2010);
  Frame3.SetCaption("Store-wide registration");
  Frame3.Add(Label1).Move(150, 345, 3540, 1050);
  Label1.SetCaption("Application can be registered for all public folders.");
  Label1.SetWordWrap(true);
  Frame3.Add(btnRegisterSW).Move(2340, 1500, 1350, kButtonHeight);
  btnRegisterSW.SetCaption("Register");

  // Per-folder registration. Buttons are wide enough for "Uncheck All".
  Add(Frame2).Move(120, 2160, 10260, 2400);
  Frame2.SetCaption("Per-folder registration");
  Frame2.Add(ListView1).Move(150, 300, 9960, 1500);
  ListView1.ColumnHeaders().Add("Folder path", 3900);
  ListView1.ColumnHeaders().Add("Name", 2700);
  ListView1.ColumnHeaders().Add("E-mail address", 3000);
  ListView1.SetCheckboxes(true);
  ListView1.SetFullRowSelect(true);
  ListView1.SetLabelEdit(false);
  ListView1.SetSmallIcons(&ImageList2);
  ListView1.SetColumnHeaderIcons(&ImageList1);
  Frame2.Add(Label4).Move(150, 1965, 5000, kLabelHeight);
  Label4.SetCaption("(only mail-enabled public folders are shown)");
  Frame2.Add(cmdCheckAll).Move(5745, 1905, 1395, kButtonHeight);
  cmdCheckAll.SetCaption("Check All");
  Frame2.Add(btnChange).Move(7230, 1905, 1395, kButtonHeight);
  btnChange.SetCaption("Change");
  btnChange.SetEnabled(false);  // nothing to apply yet
  Frame2.Add(cmdRefreshFolders).Move(8715, 1905, 1395, kButtonHeight);
  cmdRefreshFolders.SetCaption("Refresh");

  // Rules: the list and a row of seven buttons under it.
  Add(Frame4).Move(120, 4650, 10260, 2400);
  Frame4.SetCaption("Rules");
  Frame4.Add(ListView2).Move(150, 300, 9960, 1500);
  ListView2.ColumnHeaders().Add("Condition", 3000);
  ListView2.ColumnHeaders().Add("Action", 1200);
  ListView2.ColumnHeaders().Add("Target URL or E-mail Address", 3300);
  ListView2.ColumnHeaders().Add("Target Display Name", 2100);
  ListView2.SetFullRowSelect(true);
  ListView2.SetHideSelection(false);
  struct RuleButton {
    CommandButton& button;
    const char* caption;
  };
  const RuleButton ruleButtons[] = {{cmdAdd, "Add"},
                                    {cmdEdit, "Edit"},
                                    {cmdDelete, "Delete"},
                                    {cmdDeleteAll, "Delete All"},
                                    {cmdMoveUp, "Move Up"},
                                    {cmdMoveDown, "Move Down"},
                                    {cmdRefreshRules, "Refresh"}};
  int left = 150;
  for (const RuleButton& rule : ruleButtons) {
    Frame4.Add(rule.button).Move(left, 1905, 1350, kButtonHeight);
    rule.button.SetCaption(rule.caption);
    left += 1435;
  }

  // Pickup directory
  Add(Frame5).Move(120, 7140, 10260, 780);
  Frame5.SetCaption("Pickup Directory");
  Frame5.Add(ComboPickUp).Move(150, 300, 8430, kTextHeight);
  Frame5.Add(btnPickUpChange).Move(8715, 255, 1395, kButtonHeight);
  btnPickUpChange.SetCaption("Change");
  btnPickUpChange.SetEnabled(false);  // the text equals what is stored

  // Error log: shown only while it holds entries.
  Add(txtErr).Move(120, 8010, 8490, 750);
  txtErr.SetMultiLine(true);
  txtErr.SetLocked(true);
  txtErr.SetVisible(false);
  Add(Command3).Move(8700, 8010, 1680, kButtonHeight);
  Command3.SetCaption("Clear Error Log");
  Command3.SetVisible(false);
  Add(Command2).Move(8700, 8445, 1680, kButtonHeight);
  Command2.SetCaption("Exit");
  Add(Label6).Move(120, 8805, 3600, kLabelHeight);
  Label6.SetCaption(kProductWebAddress);
  Label6.SetWebLink(true);
  Label6.SetForeColor(kBlue);

  // Status bar along the bottom; the two pictures are placed over its
  // "statuspict" and "progress" panels and shown at start-up.
  Add(StatusBar1).Move(0, 9120, 10500, 330);
  StatusBar1.Panels().Add("statuspict", "", 450);
  StatusBar1.Panels().Add("statustext", "", 1000, /*spring=*/true);
  StatusBar1.Panels().Add("progress", "", 2400);
  Add(Picture1).Move(8100, 9160, 2400, 290);
  Picture1.SetVisible(false);
  Add(Picture2).Move(0, 9160, 450, 290);
  Picture2.SetVisible(false);

  Add(ImageList1);
  for (const char* key : {"ascending", "descending"}) ImageList1.Add(key);
  Add(ImageList2);
  for (const char* key : {"pf", "checked", "unchecked", "targetpf", "accessdenied"}) {
    ImageList2.Add(key);
  }
}

}  // namespace quarvel::setup
