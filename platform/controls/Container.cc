#include "platform/controls/Container.h"

#include <algorithm>

#include "platform/controls/ControlErrors.h"
#include "platform/controls/Form.h"

namespace quarvel::platform::controls {

Container::~Container() {
  for (Control* control : controls_) control->parent_ = nullptr;
}

void Container::Adopt(Control& control) {
  Form* form = OwnerForm();
  if (form == nullptr) ThrowControlError(kErrInvalidCall);
  if (control.parent_ != nullptr || control.form_ != nullptr) {
    ThrowControlError(kErrControlAlreadyLoaded);
  }
  form->Register(control);  // checks the name before anything changes
  control.parent_ = this;
  control.form_ = form;
  controls_.push_back(&control);
}

void Container::Release(Control& control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), &control), controls_.end());
}

}  // namespace quarvel::platform::controls
