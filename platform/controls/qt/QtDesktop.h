// The program's desktop in Qt: it draws forms (one FormRenderer each), owns
// the icons and the Qt window services the drawn forms use, and runs the
// main window until its form is unloaded.
//
// Create it after the QApplication and destroy it before; it sets the
// application's style (Fusion, unless QT_STYLE_OVERRIDE names another) and
// its font (WindowFont) so message boxes match the windows. The forms it
// draws must outlive it. Its window services are its own, or ones made
// earlier (a program that hands its services to its windows when it builds
// them: services, then the program with its forms, then the desktop, which
// is then destroyed first). An error that a form's event handler lets through
// while a person acts is shown as a message box and written to standard
// error, and the program goes on (SetErrorReporter replaces that). Window
// thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/controls/qt/FormRenderer.h"
#include "platform/controls/qt/IconLibrary.h"
#include "platform/controls/qt/QtWindowServices.h"

namespace quarvel::platform::controls::qt {

class QtDesktop {
 public:
  // With window services of its own.
  QtDesktop();
  // With `services`, which must outlive the desktop.
  explicit QtDesktop(QtWindowServices& services);
  ~QtDesktop();
  QtDesktop(const QtDesktop&) = delete;
  QtDesktop& operator=(const QtDesktop&) = delete;

  // Draws `form` and gives it these window services; drawing a form twice
  // returns its renderer.
  FormRenderer& Render(Form& form);
  // The renderer of `form`, or null when it is not drawn.
  [[nodiscard]] FormRenderer* RendererFor(const Form& form) const;

  [[nodiscard]] QtWindowServices& Services() { return services_; }
  [[nodiscard]] const IconLibrary& Icons() const { return icons_; }
  void SetErrorReporter(FormRenderer::ErrorReporter reporter);

  // Draws `mainForm` if needed, shows it (which loads it) and runs the event
  // loop until it is unloaded. Returns 0.
  int Run(Form& mainForm);

 private:
  explicit QtDesktop(std::unique_ptr<QtWindowServices> services);
  void Prepare();
  void Report(const std::exception_ptr& error) const;

  IconLibrary icons_;
  std::unique_ptr<QtWindowServices> ownServices_;
  QtWindowServices& services_;
  FormRenderer::ErrorReporter reporter_;
  std::vector<std::unique_ptr<FormRenderer>> renderers_;
};

// The text an escaped error is shown with: "Run-time error 'N': description"
// for a platform error, its message for any other.
[[nodiscard]] std::string DescribeError(const std::exception_ptr& error);

}  // namespace quarvel::platform::controls::qt
