// The setup program in its window: the program on the stand-in server with
// Qt window services, its main window drawn and run until it is closed. The
// rule editor is drawn too, for the program to show modally.
#pragma once

#include "setup/app/SetupCommands.h"

namespace quarvel::setup {

// 0 when the window was closed, 2 when it could not open (no server
// directory, no display).
int RunSetupWindow(const CommandContext& context, int& argc, char** argv);

}  // namespace quarvel::setup
