// The window entry point of the setup program: creates the QApplication,
// draws the main form and the other forms (the rule editor, shown modally
// later by the program), gives them the Qt window services, shows the main
// form and runs until it is unloaded.
//
// Needs a display: when no Qt platform is named (QT_QPA_PLATFORM) and
// neither DISPLAY nor WAYLAND_DISPLAY is set, it writes a clear message to
// standard error and returns 2 without touching Qt, rather than let Qt abort
// the program. Errors thrown by the forms' Load or Activate handlers while
// the main form is first shown reach the caller.
#pragma once

#include <initializer_list>

namespace quarvel::platform::controls {
class Form;
}

namespace quarvel::platform::controls::qt {

class QtWindowServices;

// Whether a window can be opened at all (see above).
[[nodiscard]] bool DisplayAvailable();

// Returns 0 when the main form was unloaded, 2 without a display. The forms
// use `services`, which a program may have given them when it built them.
int RunWindow(int& argc, char** argv, QtWindowServices& services, Form& mainForm,
              std::initializer_list<Form*> otherForms = {});
// The same with window services of its own, for the time the window runs.
int RunWindow(int& argc, char** argv, Form& mainForm, std::initializer_list<Form*> otherForms = {});

}  // namespace quarvel::platform::controls::qt
