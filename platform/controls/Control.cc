#include "platform/controls/Control.h"

#include "platform/controls/Container.h"
#include "platform/controls/ControlErrors.h"
#include "platform/controls/Form.h"

namespace quarvel::platform::controls {

Control::Control(std::string name, int index, ControlKind kind)
    : name_(std::move(name)), index_(index), kind_(kind) {}

Control::~Control() {
  if (form_ != nullptr && form_ != this) form_->Forget(*this);
  if (parent_ != nullptr) parent_->Release(*this);
}

std::string Control::QualifiedName() const {
  return index_ == kNoIndex ? name_ : name_ + "(" + std::to_string(index_) + ")";
}

void Control::Move(int left, int top, int width, int height) {
  if (width < 0 || height < 0) ThrowControlError(kErrInvalidPropertyValue);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  NotifyChanged();
}

void Control::SetVisible(bool visible) { Assign(visible_, visible); }
void Control::SetEnabled(bool enabled) { Assign(enabled_, enabled); }
void Control::SetToolTipText(std::string text) { Assign(toolTipText_, std::move(text)); }
void Control::SetFontBold(bool bold) { Assign(fontBold_, bold); }
void Control::SetForeColor(Color color) { Assign(foreColor_, color); }
void Control::SetBackColor(Color color) { Assign(backColor_, color); }

bool Control::IsEffectivelyEnabled() const {
  for (const Control* c = this; c != nullptr; c = c->parent_) {
    if (!c->enabled_) return false;
  }
  return true;
}

bool Control::IsEffectivelyVisible() const {
  if (kind_ == ControlKind::kForm) return visible_;
  for (const Control* c = this; c != nullptr && c->kind_ != ControlKind::kForm; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

bool Control::AcceptsUserInput() const { return IsEffectivelyEnabled() && IsEffectivelyVisible(); }

void Control::NotifyChanged(ChangeKind kind, int index) {
  if (form_ == nullptr) return;
  if (ControlObserver* observer = form_->Observer()) observer->ControlChanged(*this, {kind, index});
}

}  // namespace quarvel::platform::controls
