// The setup program's main window as a model of its controls: the COM+
// object, store-wide and per-folder registration, the rule list, the pickup
// directory, the error log, the status bar with its progress bar and status
// light, and the link to the product's web page.
//
// The controls are public members under their own names, so the window's
// logic and its tests reach them as the program names them; the constructor
// gives them their design-time texts and layout (InstallFormLayout.cc). The
// window's routines are added to this class by the parts that own them.
// Window thread only.
#pragma once

#include "platform/controls/ComboBox.h"
#include "platform/controls/CommandButton.h"
#include "platform/controls/Form.h"
#include "platform/controls/Frame.h"
#include "platform/controls/ImageList.h"
#include "platform/controls/Label.h"
#include "platform/controls/ListView.h"
#include "platform/controls/PictureBox.h"
#include "platform/controls/StatusBar.h"
#include "platform/controls/TextBox.h"

namespace quarvel::setup {

namespace controls = platform::controls;

// The product's web page, shown and opened by Label6.
inline constexpr const char* kProductWebAddress = "https://quarvel.example/";

class InstallForm : public controls::Form {
 public:
  InstallForm();

  // COM+ object
  controls::Frame Frame1{"Frame1"};
  controls::Label Label8{"Label8"};
  controls::CommandButton btnInstall{"btnInstall"};
  controls::Label Label3{"Label3"};
  controls::TextBox txtIdent{"txtIdent"};
  controls::Label Label2{"Label2"};
  controls::TextBox txtPwd{"txtPwd"};
  controls::Label Label10{"Label10"};
  controls::TextBox txtPriority{"txtPriority"};
  controls::Label Label11{"Label11"};

  // Store-wide registration
  controls::Frame Frame3{"Frame3"};
  controls::Label Label1{"Label1"};
  controls::CommandButton btnRegisterSW{"btnRegisterSW"};

  // Per-folder registration: the mail-enabled public folders
  controls::Frame Frame2{"Frame2"};
  controls::ListView ListView1{"ListView1"};
  controls::Label Label4{"Label4"};
  controls::CommandButton cmdCheckAll{"cmdCheckAll"};
  controls::CommandButton btnChange{"btnChange"};
  controls::CommandButton cmdRefreshFolders{"cmdRefreshFolders"};

  // Rules
  controls::Frame Frame4{"Frame4"};
  controls::ListView ListView2{"ListView2"};
  controls::CommandButton cmdAdd{"cmdAdd"};
  controls::CommandButton cmdEdit{"cmdEdit"};
  controls::CommandButton cmdDelete{"cmdDelete"};
  controls::CommandButton cmdDeleteAll{"cmdDeleteAll"};
  controls::CommandButton cmdMoveUp{"cmdMoveUp"};
  controls::CommandButton cmdMoveDown{"cmdMoveDown"};
  controls::CommandButton cmdRefreshRules{"cmdRefreshRules"};

  // Pickup directory
  controls::Frame Frame5{"Frame5"};
  controls::ComboBox ComboPickUp{"ComboPickUp", controls::ComboStyle::kDropDownCombo};
  controls::CommandButton btnPickUpChange{"btnPickUpChange"};

  // Error log, exit and the product link
  controls::TextBox txtErr{"txtErr"};
  controls::CommandButton Command3{"Command3"};
  controls::CommandButton Command2{"Command2"};
  controls::Label Label6{"Label6"};

  // Status bar with the status light (Picture2) and the progress bar
  // (Picture1) laid over its panels at start-up.
  controls::StatusBar StatusBar1{"StatusBar1"};
  controls::PictureBox Picture1{"Picture1"};
  controls::PictureBox Picture2{"Picture2"};

  // Sort arrows for the list headers (picture 0 ascending, 1 descending) and
  // the folder rows' marks.
  controls::ImageList ImageList1{"ImageList1"};
  controls::ImageList ImageList2{"ImageList2"};

 private:
  void Layout();
};

}  // namespace quarvel::setup
