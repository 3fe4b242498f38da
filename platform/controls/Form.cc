#include "platform/controls/Form.h"

#include <algorithm>

#include "platform/controls/ControlErrors.h"
#include "platform/controls/WindowServices.h"

namespace quarvel::platform::controls {

Form::Form(std::string name) : Container(std::move(name), kNoIndex, ControlKind::kForm) {
  form_ = this;
  visible_ = false;
}

Form::~Form() {
  for (Control* control : all_) control->form_ = nullptr;
  form_ = nullptr;
}

void Form::SetCaption(std::string caption) { Assign(caption_, std::move(caption)); }

Control* Form::FindControl(std::string_view name, int index) const {
  for (Control* control : all_) {
    if (control->Name() == name && control->Index() == index) return control;
  }
  return nullptr;
}

void Form::Register(Control& control) {
  if (FindControl(control.Name(), control.Index()) != nullptr) {
    ThrowControlError(kErrControlAlreadyLoaded);
  }
  all_.push_back(&control);
}

void Form::Forget(Control& control) {
  all_.erase(std::remove(all_.begin(), all_.end(), &control), all_.end());
}

void Form::Load() {
  if (loaded_) return;
  loaded_ = true;
  NotifyChanged(ChangeKind::kFormState);
  RaiseEvent(OnLoad);
}

void Form::Show(ShowMode mode, Form* owner) {
  if (mode == ShowMode::kModal) {
    if (services_ == nullptr) ThrowControlError(kErrInvalidCall);
    if (visible_ && loaded_) ThrowControlError(kErrFormAlreadyDisplayed);
  }
  Load();
  if (!loaded_) return;  // the Load handler unloaded it again
  if (!visible_) {
    visible_ = true;
    NotifyChanged(ChangeKind::kFormState);
  }
  if (mode == ShowMode::kModeless) {
    UserActivate();
    return;
  }
  if (owner != nullptr) owner->UserDeactivate();
  modal_ = true;
  NotifyChanged(ChangeKind::kFormState);
  UserActivate();
  services_->RunModal(*this);
  modal_ = false;
  NotifyChanged(ChangeKind::kFormState);
  if (owner != nullptr && owner->loaded_ && owner->visible_) owner->UserActivate();
}

void Form::Hide() {
  if (!visible_) return;
  visible_ = false;
  NotifyChanged(ChangeKind::kFormState);
  UserDeactivate();
}

bool Form::Unload(UnloadMode mode) {
  if (!loaded_) return true;
  bool cancel = false;
  RaiseEvent(OnQueryUnload, cancel, mode);
  if (cancel || !loaded_) return !loaded_;
  RaiseEvent(OnUnload);
  active_ = false;
  visible_ = false;
  loaded_ = false;
  NotifyChanged(ChangeKind::kFormState);
  return true;
}

void Form::UserActivate() {
  if (active_ || !visible_) return;
  active_ = true;
  RaiseEvent(OnActivate);
}

void Form::UserDeactivate() {
  if (!active_) return;
  active_ = false;
  RaiseEvent(OnDeactivate);
}

}  // namespace quarvel::platform::controls
