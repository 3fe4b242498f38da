// The rule editor dialog as a model of its controls: the condition (an SMTP
// header pattern or an SCL comparison), the action, the target (a public
// folder from the tree or an e-mail recipient from the list), fixed examples
// of the pattern syntax, and OK and Cancel.
//
// The controls are public members under their own names; the constructor
// gives them their design-time texts, fixed lists and layout
// (frmAddEditLayout.cc). The header-name list is filled when the dialog is
// created, by the dialog's own logic, which is added to this class by the
// part that owns it. Window thread only.
#pragma once

#include "platform/controls/ComboBox.h"
#include "platform/controls/CommandButton.h"
#include "platform/controls/ControlArray.h"
#include "platform/controls/Form.h"
#include "platform/controls/Frame.h"
#include "platform/controls/ImageList.h"
#include "platform/controls/Label.h"
#include "platform/controls/ListView.h"
#include "platform/controls/OptionButton.h"
#include "platform/controls/TextBox.h"
#include "platform/controls/TreeView.h"

namespace quarvel::setup {

namespace controls = platform::controls;

class frmAddEdit : public controls::Form {
 public:
  frmAddEdit();

  // Condition: header pattern (Option1) or SCL comparison (Option2)
  controls::Label Label1{"Label1"};
  controls::Label Label4{"Label4"};
  controls::OptionButton Option1{"Option1"};
  controls::ComboBox ComboSMTPheaders{"ComboSMTPheaders", controls::ComboStyle::kDropDownCombo};
  controls::TextBox txtValue{"txtValue"};
  controls::OptionButton Option2{"Option2"};
  controls::TextBox Text3{"Text3"};
  controls::ComboBox ComboSCL1{"ComboSCL1", controls::ComboStyle::kDropDownList};
  controls::ComboBox ComboSCL2{"ComboSCL2", controls::ComboStyle::kDropDownList};

  // Action
  controls::Label Label2{"Label2"};
  controls::ComboBox ComboAction{"ComboAction", controls::ComboStyle::kDropDownList};

  // Examples of header patterns: Text1(i) a header, Text2(i) its value
  controls::Frame Frame1{"Frame1"};
  controls::ControlArray<controls::TextBox> Text1{"Text1", 7};
  controls::ControlArray<controls::TextBox> Text2{"Text2", 7};

  // Target: a folder (ComboTargets, TreeView1) or a recipient
  // (ComboEmailAddresses, ListView1); each pair shares its place and only one
  // is shown at a time.
  controls::Label Label3{"Label3"};
  controls::ComboBox ComboTargets{"ComboTargets", controls::ComboStyle::kDropDownList};
  controls::ComboBox ComboEmailAddresses{"ComboEmailAddresses",
                                         controls::ComboStyle::kDropDownCombo};
  controls::Label Label5{"Label5"};
  controls::TreeView TreeView1{"TreeView1"};
  controls::ListView ListView1{"ListView1"};
  controls::Label Label6{"Label6"};
  controls::TextBox txtDispLayName{"txtDispLayName"};

  // The rule's target when the dialog was opened for it (never shown)
  controls::TextBox txtPrevUrl{"txtPrevUrl"};
  controls::TextBox txtPrevAddress{"txtPrevAddress"};

  controls::CommandButton cmdOK{"cmdOK"};
  controls::CommandButton cmdCancel{"cmdCancel"};

  // Sort arrows for the recipients' headers (picture 0 ascending, 1
  // descending) and the icons of folders and recipients.
  controls::ImageList ImageList1{"ImageList1"};
  controls::ImageList ImageList2{"ImageList2"};

 private:
  void Layout();
};

}  // namespace quarvel::setup
