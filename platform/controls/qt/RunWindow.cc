#include "platform/controls/qt/RunWindow.h"

#include <QApplication>
#include <iostream>
#include <memory>

#include "platform/controls/Form.h"
#include "platform/controls/qt/QtDesktop.h"

namespace quarvel::platform::controls::qt {

bool DisplayAvailable() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
         !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

namespace {

int Run(int& argc, char** argv, QtWindowServices* services, Form& mainForm,
        std::initializer_list<Form*> otherForms) {
  if (!DisplayAvailable()) {
    std::cerr << (argc > 0 && argv[0] != nullptr ? argv[0] : "program")
              << ": cannot open a window: no display (DISPLAY and WAYLAND_DISPLAY are not set)\n";
    return 2;
  }
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  std::unique_ptr<QtDesktop> desktop =
      services != nullptr ? std::make_unique<QtDesktop>(*services) : std::make_unique<QtDesktop>();
  desktop->Render(mainForm);
  for (Form* form : otherForms) desktop->Render(*form);
  return desktop->Run(mainForm);
}

}  // namespace

int RunWindow(int& argc, char** argv, QtWindowServices& services, Form& mainForm,
              std::initializer_list<Form*> otherForms) {
  return Run(argc, argv, &services, mainForm, otherForms);
}

int RunWindow(int& argc, char** argv, Form& mainForm, std::initializer_list<Form*> otherForms) {
  return Run(argc, argv, nullptr, mainForm, otherForms);
}

}  // namespace quarvel::platform::controls::qt
