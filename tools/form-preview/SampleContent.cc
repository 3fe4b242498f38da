#include "tools/form-preview/SampleContent.h"

#include <string>

#include "setup/main/InstallForm.h"
#include "setup/rules/frmAddEdit.h"

namespace quarvel::tools {

namespace {

using namespace platform::controls;

const std::string kRoot = "http://mail.example.com/Public/";

struct Folder {
  const char* path;
  const char* name;
  const char* address;
  const char* mark;
  bool checked;
  bool pending;        // changed by the person, not applied yet: red
  const char* prefix;  // tooltip prefix
};

const Folder kFolders[] = {
    {"Marketing", "Marketing", "marketing@example.com", "checked", true, false, ""},
    {"Marketing/Newsletters", "Newsletters", "newsletters@example.com", "unchecked", false, true,
     ""},
    {"Sales", "Sales", "sales@example.com", "checked", true, true, ""},
    {"Spam quarantine", "Spam quarantine", "spam@example.com", "targetpf", false, false,
     "[RULE TARGET] "},
    {"HR/Confidential", "Confidential", "confidential@example.com", "accessdenied", false, false,
     "[ACCESS DENIED] "},
    {"Support", "Support", "support@example.com", "unchecked", false, false, ""},
    {"Archive", "Archive", "archive@example.com", "pf", false, false, ""},
};

struct Rule {
  const char* condition;
  const char* action;
  std::string target;
  const char* displayName;
};

const Rule kRules[] = {
    {"X-Spam-Flag: YES", "move to", kRoot + "Spam%20quarantine", "Spam quarantine"},
    {"SCL value is greater than 6", "delete", "<NULL>", ""},
    {"Subject: [SPAM]{*}", "forward to", "spam-review@example.com", "Spam Review"},
    {"X-Spam-Status: Yes, hits={>5}", "move to", kRoot + "Spam%20quarantine", "Spam quarantine"},
};

struct Recipient {
  const char* address;
  const char* name;
  const char* kind;
};

const Recipient kRecipients[] = {
    {"anna.berg@example.com", "Anna Berg", "user"},
    {"it-team@example.com", "IT Team", "group"},
    {"old.account@example.com", "Old Account", "userdisabled"},
    {"partner@supplier.example.net", "Partner Contact", "contact"},
    {"spam@example.com", "Spam quarantine", "pf"},
    {"spam-review@example.com", "Spam Review", "group"},
};

const char* const kHeaders[] = {
    "From:", "Subject:", "X-SMSMSE-SCL:", "X-Spam-Flag:", "X-Spam-Status:", "Return-Path:"};

// The header's sort mark on `column` (from 1) and none on the others.
void ShowSortMark(ListView& list, int column, ListSortOrder order) {
  for (ColumnHeader& header : list.ColumnHeaders()) {
    const int alignment = static_cast<int>(header.Alignment());
    if (header.Index() == column) {
      header.SetHeaderItem(kHeaderString | kHeaderImage | kHeaderBitmapOnRight | alignment,
                           static_cast<int>(order));
    } else {
      header.SetHeaderItem(kHeaderString | alignment, -1);
    }
  }
  list.SetSortKey(column - 1);
  list.SetSortOrder(order);
  list.SetSorted(true);
}

void FillFolderTree(setup::frmAddEdit& form) {
  NodeCollection& nodes = form.TreeView1.Nodes();
  auto add = [&](const std::string& parent, const std::string& path, const char* name,
                 bool accessible) {
    Node& node = nodes.Add(parent.empty() ? "" : kRoot + parent, kRoot + path, name,
                           accessible ? "pf" : "accessdenied");
    node.SetBold(accessible);
    if (accessible) form.ComboTargets.AddItem(kRoot + path);
  };
  add("", "Archive", "Archive", true);
  add("", "HR", "HR", true);
  add("HR", "HR/Confidential", "Confidential", false);
  add("", "Marketing", "Marketing", true);
  add("Marketing", "Marketing/Newsletters", "Newsletters", true);
  add("", "Sales", "Sales", true);
  add("", "Spam%20quarantine", "Spam quarantine", true);
  add("", "Support", "Support", true);
}

void FillRecipients(setup::frmAddEdit& form) {
  for (const Recipient& recipient : kRecipients) {
    ListItem& row =
        form.ListView1.ListItems().Add(0, recipient.address, recipient.address, recipient.kind);
    row.SetSubItemText(1, recipient.name);
    if (std::string(recipient.kind) != "userdisabled") {
      form.ComboEmailAddresses.AddItem(recipient.address);
    }
  }
  ShowSortMark(form.ListView1, 1, ListSortOrder::kAscending);
}

void FillConditionLists(setup::frmAddEdit& form) {
  for (const char* header : kHeaders) form.ComboSMTPheaders.AddItem(header);
}

}  // namespace

void FillMainWindow(setup::InstallForm& form) {
  form.Label8.SetCaption("COM+ object is installed");
  form.btnInstall.SetCaption("Uninstall");
  form.txtIdent.SetText("EXAMPLE\\quarvel-admin");
  form.txtPwd.SetText("secret-password");
  form.Label1.SetCaption("Quarvel application can be registered for all public folders.");

  ListView& folders = form.ListView1;
  for (const Folder& folder : kFolders) {
    ListItem& row = folders.ListItems().Add(0, kRoot + folder.path, folder.path, folder.mark);
    row.SetChecked(folder.checked);
    row.SetSubItemText(1, folder.name);
    row.SetSubItemText(2, folder.address);
    const std::string prefix = folder.prefix;
    row.SetToolTipText(prefix + kRoot + folder.path);
    for (ListSubItem& sub : row.ListSubItems()) sub.SetToolTipText(prefix + sub.Text());
    if (folder.pending) {
      row.SetForeColor(kRed);
      for (ListSubItem& sub : row.ListSubItems()) sub.SetForeColor(kRed);
    }
  }
  ShowSortMark(folders, 1, ListSortOrder::kAscending);
  folders.ListItems()(1).SetSelected(true);
  form.btnChange.SetEnabled(true);

  for (const Rule& rule : kRules) {
    ListItem& row = form.ListView2.ListItems().Add(0, "", rule.condition);
    row.SetToolTipText(rule.condition);
    row.SetSubItemText(1, rule.action);
    row.SetSubItemText(2, rule.target);
    row.SetSubItemText(3, rule.displayName);
  }
  form.ListView2.ListItems()(1).SetSelected(true);

  form.ComboPickUp.AddItem("/srv/exsim/mailroot/vsi 1/pickup");
  form.ComboPickUp.AddItem("/srv/exsim/mailroot/vsi 2/pickup");
  form.ComboPickUp.SetListIndex(0);

  form.txtErr.SetText("[2024-03-09 14:05:06] " + kRoot +
                      "HR/Confidential/Quarvel.reg - ERROR: -2147024891 Access is denied.\r\n\r\n");
  form.txtErr.SetVisible(true);
  form.Command3.SetVisible(true);

  // The status light and the progress bar, prepared and placed over their
  // panels as the program does at start-up.
  StatusBar& bar = form.StatusBar1;
  bar.Panels()("statustext").SetText("Status: started");
  for (auto [picture, key] :
       {std::pair{&form.Picture1, "progress"}, {&form.Picture2, "statuspict"}}) {
    const Panel& panel = bar.Panels()(key);
    picture->Move(bar.Left() + panel.Left(), bar.Top() + 40, panel.Width(), bar.Height());
    picture->SetFontBold(true);
    picture->SetAutoRedraw(true);
    picture->SetDrawMode(PictureDrawMode::kNotXorPen);
    picture->SetFillStyle(PictureFillStyle::kSolid);
    picture->SetVisible(true);
  }
  form.Picture2.SetBackColor(kGreen);
  form.Picture1.SetBackColor(kWhite);
  form.Picture1.SetForeColor(kBlue);
  form.Picture1.SetScaleWidth(50);
  form.Picture1.Cls();
  form.Picture1.PrintCentred("38%");
  form.Picture1.FillFromLeft(19);
  form.Picture1.Refresh();
}

void FillMoveRule(setup::frmAddEdit& form) {
  form.SetCaption("Edit Rule");
  FillConditionLists(form);
  FillFolderTree(form);
  FillRecipients(form);
  form.ComboSMTPheaders.SetText("X-Spam-Flag:");
  form.txtValue.SetText("YES");
  form.txtValue.SetForeColor(kRed);  // changed since the dialog opened
  form.ComboAction.SetListIndex(0);
  form.Label3.SetCaption("Target URL:");
  form.Label5.SetCaption("Select target Public Folder:");
  form.ComboTargets.SetText(kRoot + "Spam%20quarantine");
  Node& target = form.TreeView1.Nodes()(kRoot + "Spam%20quarantine");
  form.TreeView1.Nodes()(kRoot + "Marketing").SetExpanded(true);
  form.TreeView1.Nodes()(kRoot + "HR").SetExpanded(true);
  target.SetSelected(true);
  form.txtDispLayName.SetText("Spam quarantine");
  form.cmdOK.SetEnabled(true);
}

void FillForwardRule(setup::frmAddEdit& form) {
  form.SetCaption("Edit Rule");
  FillConditionLists(form);
  FillFolderTree(form);
  FillRecipients(form);
  form.Option2.SetValue(true);
  form.ComboSMTPheaders.SetEnabled(false);
  form.txtValue.SetEnabled(false);
  form.ComboSCL1.SetEnabled(true);
  form.ComboSCL2.SetEnabled(true);
  form.ComboSCL1.SetText("greater than");
  form.ComboSCL2.SetText("6");
  form.ComboAction.SetText("forward to");
  form.Label3.SetCaption("Target E-mail Address:");
  form.Label5.SetCaption("Select target E-mail Recipient:");
  form.ComboTargets.SetVisible(false);
  form.TreeView1.SetVisible(false);
  form.ComboEmailAddresses.SetVisible(true);
  form.ListView1.SetVisible(true);
  form.ComboEmailAddresses.SetText("spam-review@example.com");
  form.ListView1.ListItems()("spam-review@example.com").SetSelected(true);
  form.txtDispLayName.SetText("Spam Review");
  form.cmdOK.SetEnabled(true);
}

}  // namespace quarvel::tools
