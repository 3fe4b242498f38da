#include "setup/main/InstallForm.h"

namespace quarvel::setup {

InstallForm::InstallForm() : Form("InstallForm") { Layout(); }

}  // namespace quarvel::setup
