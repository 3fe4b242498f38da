// A control that holds other controls: the form itself and its frames.
// Adding a control gives it its container and its form; the form's look-up by
// name and index then finds it. A container keeps non-owning pointers, in the
// order added (which is also the drawing and tab order). A control that is
// destroyed leaves its container; a container that is destroyed releases what
// it holds.
#pragma once

#include <vector>

#include "platform/controls/Control.h"

namespace quarvel::platform::controls {

class Container : public Control {
 public:
  using Control::Control;
  ~Container() override;

  // Puts `control` into this container, which must already be on a form (a
  // form is on itself). Throws kErrControlAlreadyLoaded when the control is
  // already placed or its form has a control of the same name and index, and
  // kErrInvalidCall when this container is not on a form yet.
  template <class T>
  T& Add(T& control) {
    Adopt(control);
    return control;
  }

  // The controls directly inside, in the order added.
  [[nodiscard]] const std::vector<Control*>& Controls() const { return controls_; }

 private:
  friend class Control;
  void Adopt(Control& control);
  void Release(Control& control);

  std::vector<Control*> controls_;
};

}  // namespace quarvel::platform::controls
