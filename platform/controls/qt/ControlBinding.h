// One drawn control: the widget that shows a control model and the code that
// keeps the two in step.
//
// - The model's changes arrive through Apply, from the form's observer; a
//   change the binding does not handle in detail brings the whole widget in
//   line (SyncAll).
// - A person's actions on the widget go to the model's User... entry points
//   (through UserAction), and afterwards the widget is brought back in line
//   with the model, so it always shows what the model holds: a click that a
//   handler refused or reverted leaves no trace.
// - While the binding writes to its widget (a Mirror is alive) the widget's
//   signals are blocked and user handlers ignore whatever happens, so the
//   program's changes never come back as a person's actions.
//
// Common to all controls: place and size from the twips scale, visibility,
// enabled state (a disabled frame disables its widgets with it, as Qt does),
// tooltip and bold font. A binding owns nothing of the model; its widget is
// owned by the widget it is placed in. Window thread only.
#pragma once

#include <QObject>
#include <functional>

#include "platform/controls/Control.h"
#include "platform/controls/ControlObserver.h"

class QWidget;

namespace quarvel::platform::controls::qt {

class RenderContext;

class ControlBinding : public QObject {
 public:
  ControlBinding(Control& control, RenderContext& context);
  ~ControlBinding() override;

  [[nodiscard]] Control& Model() const { return control_; }
  [[nodiscard]] virtual QWidget* Widget() const = 0;

  // Brings the whole widget in line with the model.
  void SyncAll();
  // One change the model reported for this control.
  virtual void Apply(const ControlChange& change);

 protected:
  // Brings what is particular to this kind of control in line.
  virtual void SyncOwn() = 0;
  // What to bring in line after a person's action; the whole widget by default.
  virtual void SyncAfterUserAction() { SyncAll(); }

  // Runs `action` (a call of the model's User... entry points) unless the
  // binding is mirroring, hands an escaping error to the context, then brings
  // the widget in line. Returns false when it did not run.
  bool UserAction(const std::function<void()>& action);

  [[nodiscard]] bool IsMirroring() const { return mirroring_ > 0; }
  [[nodiscard]] RenderContext& Context() const { return context_; }

  // While alive: the binding is writing to its widget.
  class Mirror {
   public:
    explicit Mirror(ControlBinding& binding);
    ~Mirror();
    Mirror(const Mirror&) = delete;
    Mirror& operator=(const Mirror&) = delete;

   private:
    ControlBinding& binding_;
    bool wasBlocked_;
  };

 private:
  void SyncCommon();

  Control& control_;
  RenderContext& context_;
  int mirroring_ = 0;
};

}  // namespace quarvel::platform::controls::qt
