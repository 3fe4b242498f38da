// Plausible content for the two windows, put in through their models as the
// program would: folder rows with every mark (registered, pending in red,
// rule target, access denied, store-wide), rules, the pickup directory, an
// error log entry, the status line with its green light and a progress bar
// at 38 %; the rule editor for a "move to" rule (folder tree) and for a
// "forward to" rule with an SCL condition (recipient list, sorted by
// address with the header's arrow).
#pragma once

namespace quarvel::setup {
class InstallForm;
class frmAddEdit;
}  // namespace quarvel::setup

namespace quarvel::tools {

void FillMainWindow(setup::InstallForm& form);
void FillMoveRule(setup::frmAddEdit& form);
void FillForwardRule(setup::frmAddEdit& form);

}  // namespace quarvel::tools
