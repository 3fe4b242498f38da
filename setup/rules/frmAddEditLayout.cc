// The rule editor as designed: every control's design-time text, its place
// in twips (15 twips to a pixel at 96 DPI), the fixed lists, the examples and
// the image keys. Nothing here runs any of the dialog's logic.
#include <string>

#include "setup/rules/frmAddEdit.h"

namespace quarvel::setup {

using namespace platform::controls;

namespace {

constexpr int kButtonHeight = 375;
constexpr int kTextHeight = 315;
constexpr int kLabelHeight = 255;

// The examples frame: header and value of each row.
struct Example {
  const char* header;
  const char* value;
};
constexpr Example kExamples[7] = {
    {"Subject:", "Spam:"},
    {"Subject:", "[SPAM]"},
    {"X-Spam-Flag:", "YES"},
    {"X-Spam-Status:", "No, hits={>-4.9}"},
    {"X-NewHeader:", "{>3.9 <11.1}"},
    {"Subject:", "{?}{?}:{*}"},
    {"Return-path:", "{*}@example.com{*}"},
};

}  // namespace

void frmAddEdit::Layout() {
  SetCaption("New Rule");
  Move(0, 0, 9300, 7305);

  // Condition. The option buttons carry no caption: the labels above and
  // the read-only "SCL value is " box name what they select.
  Add(Label1).Move(480, 150, 1950, kLabelHeight);
  Label1.SetCaption("SMTP header");
  Add(Label4).Move(2520, 150, 2400, kLabelHeight);
  Label4.SetCaption("Value");
  Add(Option1).Move(120, 450, 300, kLabelHeight);
  Add(ComboSMTPheaders).Move(480, 420, 1950, kTextHeight);
  Add(txtValue).Move(2520, 420, 2400, kTextHeight);
  Add(Option2).Move(120, 900, 300, kLabelHeight);
  Add(Text3).Move(480, 870, 1950, kTextHeight);
  Text3.SetText("SCL value is ");
  Text3.SetLocked(true);
  Add(ComboSCL1).Move(2520, 870, 1650, kTextHeight);
  for (const char* relation : {"less than", "equal to", "greater than"})
    ComboSCL1.AddItem(relation);
  Add(ComboSCL2).Move(4260, 870, 660, kTextHeight);
  for (int scl = -1; scl <= 9; ++scl) ComboSCL2.AddItem(std::to_string(scl));
  // The header condition is chosen when the dialog is created.
  Option1.SetValue(true);
  ComboSCL1.SetEnabled(false);
  ComboSCL2.SetEnabled(false);

  Add(Label2).Move(480, 1350, 1950, kLabelHeight);
  Label2.SetCaption("Action");
  Add(ComboAction).Move(480, 1620, 1950, kTextHeight);
  for (const char* action : {"move to", "delete", "forward to"}) ComboAction.AddItem(action);

  // Examples, read-only.
  Add(Frame1).Move(5070, 60, 4110, 2700);
  Frame1.SetCaption("Examples:");
  for (int i = 0; i < 7; ++i) {
    const int top = 270 + i * 330;
    Frame1.Add(Text1(i)).Move(120, top, 1590, 300);
    Text1(i).SetText(kExamples[i].header);
    Text1(i).SetLocked(true);
    Frame1.Add(Text2(i)).Move(1770, top, 2220, 300);
    Text2(i).SetText(kExamples[i].value);
    Text2(i).SetLocked(true);
  }

  // Target: a folder by default; the recipient controls take the same places.
  Add(Label3).Move(120, 2880, 4500, kLabelHeight);
  Label3.SetCaption("Target");
  Add(ComboTargets).Move(120, 3165, 9060, kTextHeight);
  Add(ComboEmailAddresses).Move(120, 3165, 9060, kTextHeight);
  ComboEmailAddresses.SetVisible(false);
  Add(Label5).Move(120, 3600, 4500, kLabelHeight);
  Label5.SetCaption("Select target PF from the tree:");
  Add(TreeView1).Move(120, 3885, 9060, 2325);
  TreeView1.SetImages(&ImageList2);
  TreeView1.SetHideSelection(false);
  Add(ListView1).Move(120, 3885, 9060, 2325);
  ListView1.ColumnHeaders().Add("E-mail Address", 4400);
  ListView1.ColumnHeaders().Add("Display Name", 4200);
  ListView1.SetFullRowSelect(true);
  ListView1.SetHideSelection(false);
  ListView1.SetLabelEdit(false);
  ListView1.SetSmallIcons(&ImageList2);
  ListView1.SetColumnHeaderIcons(&ImageList1);
  ListView1.SetVisible(false);
  Add(Label6).Move(120, 6345, 2250, kLabelHeight);
  Label6.SetCaption("Target Display Name:");
  Add(txtDispLayName).Move(2400, 6300, 6780, kTextHeight);
  txtDispLayName.SetLocked(true);

  Add(txtPrevUrl).Move(120, 6810, 1500, kTextHeight);
  txtPrevUrl.SetVisible(false);
  Add(txtPrevAddress).Move(1710, 6810, 1500, kTextHeight);
  txtPrevAddress.SetVisible(false);

  Add(cmdOK).Move(6360, 6810, 1350, kButtonHeight);
  cmdOK.SetCaption("OK");
  cmdOK.SetDefault(true);
  cmdOK.SetEnabled(false);  // until a field changes
  Add(cmdCancel).Move(7830, 6810, 1350, kButtonHeight);
  cmdCancel.SetCaption("Cancel");
  cmdCancel.SetCancel(true);

  Add(ImageList1);
  for (const char* key : {"ascending", "descending"}) ImageList1.Add(key);
  Add(ImageList2);
  for (const char* key : {"user", "userdisabled", "group", "pf", "contact", "accessdenied"}) {
    ImageList2.Add(key);
  }
}

}  // namespace quarvel::setup
