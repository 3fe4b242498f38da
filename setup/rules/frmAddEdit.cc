#include "setup/rules/frmAddEdit.h"

namespace quarvel::setup {

frmAddEdit::frmAddEdit() : Form("frmAddEdit") { Layout(); }

}  // namespace quarvel::setup
