// Draws one form model as a Qt window and keeps the two in step, for any
// form: it makes a binding (a widget and the code that mirrors it) for every
// control of the form, in the order the controls were added, which is also
// the stacking and the tab order; registers itself as the form's observer
// and hands every reported change to the control's binding.
//
// The window follows the form: its client size is the form's (twips, fixed),
// its title the caption; it is shown while the form is loaded and visible,
// and application-modal (a dialog above the active window) while the form is
// shown modally. When shown it is put where the form was last moved (a form
// at 0, 0 is centred once), always wholly on its screen. Its close box asks
// the form (UserClose: QueryUnload may refuse; the window shows whatever the
// form then is). Return clicks the form's default button and Escape its
// cancel button. The window's own activation is not passed to the form: the
// form's Activate follows Show and Hide, so a message box over a form does
// not raise Activate again.
//
// The renderer must be destroyed before its form. Controls added to the form
// after it was drawn are not drawn. Window thread only.
#pragma once

#include <QFont>
#include <QPoint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/controls/ControlObserver.h"
#include "platform/controls/qt/RenderContext.h"
#include "platform/controls/qt/TwipsScale.h"

class QEventLoop;

namespace quarvel::platform::controls {
class Form;
}

namespace quarvel::platform::controls::qt {

class ControlBinding;
class FormWindow;

class FormRenderer : public ControlObserver, private RenderContext {
 public:
  using ErrorReporter = std::function<void(const std::exception_ptr&)>;

  // Draws `form` with `icons` (which must outlive the renderer) at the
  // primary screen's scale; errors that handlers let through go to `reportError`.
  FormRenderer(Form& form, const IconLibrary& icons, ErrorReporter reportError);
  ~FormRenderer() override;
  FormRenderer(const FormRenderer&) = delete;
  FormRenderer& operator=(const FormRenderer&) = delete;

  [[nodiscard]] Form& Model() const { return form_; }
  [[nodiscard]] QWidget* Window() const;
  // The widget drawing `control`; null for one without a widget (an image list).
  [[nodiscard]] QWidget* WidgetFor(const Control& control) const;
  // The binding of `control` (tests reach a list's check boxes through it); null without one.
  [[nodiscard]] ControlBinding* BindingFor(const Control& control) const;
  [[nodiscard]] const TwipsScale& Scale() const override { return scale_; }

  // Runs a nested event loop until the form is hidden or unloaded.
  void RunUntilHidden();
  // Runs a nested event loop until the form is unloaded.
  void RunUntilUnloaded();

  void ControlChanged(Control& control, const ControlChange& change) override;

 private:
  struct Wait {
    QEventLoop* loop;
    bool untilHidden;
  };

  [[nodiscard]] const IconLibrary& Icons() const override { return icons_; }
  [[nodiscard]] const QFont& BaseFont() const override { return font_; }
  [[nodiscard]] QWidget* ContainerWidget(const Control& control) const override;
  void ReportError(const std::exception_ptr& error) override;

  void Bind(Control& control);
  void ShowForm();
  void ShowWindowState();
  // Puts the window where the form says (each time the program moves it),
  // or centres it the first time, and keeps it on its screen.
  void Place();
  void KeepOnScreen();
  void RunLoop(bool untilHidden);
  void EndFinishedWaits();
  bool ClickButton(bool defaultButton);

  Form& form_;
  const IconLibrary& icons_;
  ErrorReporter reportError_;
  TwipsScale scale_;
  QFont font_;
  std::unique_ptr<FormWindow> window_;
  std::vector<std::unique_ptr<ControlBinding>> bindings_;
  std::map<const Control*, ControlBinding*> byControl_;
  std::vector<Wait> waits_;
  // The form's position when its window was last placed; none before.
  std::optional<QPoint> placedAt_;
};

}  // namespace quarvel::platform::controls::qt
