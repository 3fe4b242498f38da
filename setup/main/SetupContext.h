// What every concern of the setup program works on: the platform, the
// program's settings, the window services, both windows, the program-wide
// and window state, the error log and the status bar. The SetupProgram owns
// all of them and hands this bundle of references to each concern it makes;
// a concern that calls another concern is given that one by name as well.
// Window thread only.
#pragma once

#include "platform/controls/WindowServices.h"
#include "setup/main/ProgramSettings.h"
#include "setup/main/ProgramState.h"
#include "setup/main/SetupPlatform.h"
#include "setup/main/WindowState.h"

namespace quarvel::setup {

class ErrorLog;
class InstallForm;
class StatusDisplay;
class frmAddEdit;

struct SetupContext {
  const SetupPlatform& platform;
  const ProgramSettings& settings;
  platform::controls::WindowServices& services;
  InstallForm& form;
  frmAddEdit& editor;
  ProgramState& state;
  WindowState& window;
  ErrorLog& log;
  StatusDisplay& status;
};

}  // namespace quarvel::setup
