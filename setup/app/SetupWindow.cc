#include "setup/app/SetupWindow.h"

#include "platform/controls/qt/QtWindowServices.h"
#include "platform/controls/qt/RunWindow.h"
#include "setup/app/ServerPlatform.h"
#include "setup/main/SetupProgram.h"

namespace quarvel::setup {

namespace qt = platform::controls::qt;

int RunSetupWindow(const CommandContext& context, int& argc, char** argv) {
  if (!CheckServerDirectory(context)) return 2;
  if (!qt::DisplayAvailable()) {
    context.err << "QuarvelSetup: cannot open a window: no display (set DISPLAY, or run "
                   "\"QuarvelSetup -b\" for the unattended pass)\n";
    return 2;
  }
  ServerPlatform platform(context.serverRoot);
  // The services exist before the program, which hands them to its forms.
  qt::QtWindowServices services;
  SetupProgram program(
      platform.Bundle(), services,
      ProgramSettings{context.commandLine, context.programDirectory, context.workingDirectory});
  return qt::RunWindow(argc, argv, services, program.Form(), {&program.Editor()});
}

}  // namespace quarvel::setup
