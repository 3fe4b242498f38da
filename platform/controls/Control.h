// The common part of every desktop control model: name (and index, for
// control arrays such as Text1(0..6)), geometry in twips relative to its
// container, visibility, enabled state, tooltip, bold font and colours.
//
// A control belongs to one container (its form or a frame of that form),
// which holds a non-owning pointer to it; the form class owns its controls as
// members. Setters store the value and, when it changed, tell the form's
// observer (ControlObserver); they raise no events unless a control's own
// header says so. Methods named User... model what a person does and act only
// on a control that is enabled and visible within its form.
//
// Failures are PlatformError (ControlErrors.h). Window thread only.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "platform/controls/Color.h"
#include "platform/controls/ControlObserver.h"

namespace quarvel::platform::controls {

class Container;
class Form;

inline constexpr int kNoIndex = -1;  // a control that is not part of a control array

enum class ControlKind {
  kForm,
  kFrame,
  kLabel,
  kTextBox,
  kCommandButton,
  kOptionButton,
  kComboBox,
  kListView,
  kTreeView,
  kStatusBar,
  kPictureBox,
  kImageList,
};

// Alignment of a label's caption or a list column's text.
enum class TextAlignment { kLeft = 0, kRight = 1, kCenter = 2 };

using Event = std::function<void()>;
// The key's character code by reference; setting it to 0 discards the key.
using KeyPressEvent = std::function<void(int& keyAscii)>;
// Setting `cancel` refuses what is about to happen.
using CancelEvent = std::function<void(bool& cancel)>;

// Calls `handler` if one is set. It runs on a copy, since a handler may
// replace itself while it runs.
template <class Handler, class... Args>
void RaiseEvent(const Handler& handler, Args&&... args) {
  if (!handler) return;
  Handler copy = handler;
  copy(std::forward<Args>(args)...);
}

class Control {
 public:
  Control(std::string name, int index, ControlKind kind);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  [[nodiscard]] ControlKind Kind() const { return kind_; }
  [[nodiscard]] const std::string& Name() const { return name_; }
  [[nodiscard]] int Index() const { return index_; }
  // "txtIdent", or "Text1(3)" for a member of a control array.
  [[nodiscard]] std::string QualifiedName() const;

  // Twips, relative to the container's client area (a form's geometry is its
  // client area). Negative sizes are kErrInvalidPropertyValue.
  [[nodiscard]] int Left() const { return left_; }
  [[nodiscard]] int Top() const { return top_; }
  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  void Move(int left, int top, int width, int height);
  void SetLeft(int left) { Move(left, top_, width_, height_); }
  void SetTop(int top) { Move(left_, top, width_, height_); }
  void SetWidth(int width) { Move(left_, top_, width, height_); }
  void SetHeight(int height) { Move(left_, top_, width_, height); }

  [[nodiscard]] bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  [[nodiscard]] bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Enabled, and so is every container up to and including the form: a
  // disabled frame disables what it holds, without changing their Enabled.
  [[nodiscard]] bool IsEffectivelyEnabled() const;
  // Visible, and so is every frame it sits in (the form's own visibility aside).
  [[nodiscard]] bool IsEffectivelyVisible() const;

  [[nodiscard]] const std::string& ToolTipText() const { return toolTipText_; }
  void SetToolTipText(std::string text);
  [[nodiscard]] bool FontBold() const { return fontBold_; }
  void SetFontBold(bool bold);
  [[nodiscard]] Color ForeColor() const { return foreColor_; }
  void SetForeColor(Color color);
  [[nodiscard]] Color BackColor() const { return backColor_; }
  void SetBackColor(Color color);

  // The form or frame holding this control; null until it is added, and for a form.
  [[nodiscard]] Container* Parent() const { return parent_; }
  // The form this control is on (a form is its own); null until added.
  [[nodiscard]] Form* OwnerForm() const { return form_; }

 protected:
  // Tells the form's observer; nothing happens without one.
  void NotifyChanged(ChangeKind kind = ChangeKind::kProperty, int index = 0);
  // True when a person could reach the control: effectively enabled and visible.
  [[nodiscard]] bool AcceptsUserInput() const;
  // Stores `value` and tells the observer when it differs; returns whether it did.
  template <class T>
  bool Assign(T& field, T value) {
    if (field == value) return false;
    field = std::move(value);
    NotifyChanged();
    return true;
  }

 private:
  friend class Container;
  friend class Form;

  std::string name_;
  int index_;
  ControlKind kind_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  std::string toolTipText_;
  bool fontBold_ = false;
  Color foreColor_ = Color::System(SystemColor::kWindowText);
  Color backColor_ = Color::System(SystemColor::kButtonFace);
  Container* parent_ = nullptr;
  Form* form_ = nullptr;
};

}  // namespace quarvel::platform::controls
