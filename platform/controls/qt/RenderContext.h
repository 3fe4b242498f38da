// What a control's binding needs from the window it is drawn in: the twips
// scale, the icons, the window's font, the widget its control sits in, and
// where to report an error that a model's event handler let through (Qt
// cannot carry exceptions through its event loop, so bindings catch them at
// the call into the model and hand them here). Window thread only.
#pragma once

#include <exception>

class QFont;
class QWidget;

namespace quarvel::platform::controls {
class Control;
}

namespace quarvel::platform::controls::qt {

class IconLibrary;
class TwipsScale;

class RenderContext {
 public:
  virtual ~RenderContext() = default;

  [[nodiscard]] virtual const TwipsScale& Scale() const = 0;
  [[nodiscard]] virtual const IconLibrary& Icons() const = 0;
  [[nodiscard]] virtual const QFont& BaseFont() const = 0;
  // The widget that `control`'s widget is placed in: its frame's or the window.
  [[nodiscard]] virtual QWidget* ContainerWidget(const Control& control) const = 0;
  // An event handler of the model let `error` through while a person acted.
  virtual void ReportError(const std::exception_ptr& error) = 0;
};

}  // namespace quarvel::platform::controls::qt
