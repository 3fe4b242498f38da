// Freezing a window's redrawing while it is changed in many small steps: Form
// locks the window, and destroying the Freeze unlocks it. The desktop this
// program draws on repaints only when the model's changes are done, so
// nothing needs locking here; the object only records which window it would
// hold. No routine of the program uses it.
#pragma once

namespace quarvel::platform::controls {
class Form;
}

namespace quarvel::setup {

class Freeze {
 public:
  Freeze() = default;
  ~Freeze() { locked_ = nullptr; }
  Freeze(const Freeze&) = delete;
  Freeze& operator=(const Freeze&) = delete;

  // Locks redrawing of `window` until this object is destroyed.
  void Form(const platform::controls::Form& window) { locked_ = &window; }
  // The window locked, or null.
  [[nodiscard]] const platform::controls::Form* Locked() const { return locked_; }

 private:
  const platform::controls::Form* locked_ = nullptr;
};

}  // namespace quarvel::setup
