// The models' colours on the screen: an RGB colour as it is, a system colour
// as the application palette's matching role (info background: the tooltip
// base; inactive border: the window colour, so a store-wide folder list reads
// as greyed; window background: the base; button face: the button colour;
// window text: the text colour).
#pragma once

#include <QColor>
#include <QPalette>

#include "platform/controls/Color.h"

class QWidget;

namespace quarvel::platform::controls::qt {

[[nodiscard]] QColor ToQColor(Color color, const QPalette& palette);

// Sets the roles a widget draws its text with (window text, text, button
// text) to `color`, for the active and inactive window; disabled text keeps
// the style's grey.
void SetTextColor(QWidget& widget, Color color);

// Sets `role` (the widget's background role, e.g. Base for a list) to `color`.
void SetBackgroundColor(QWidget& widget, QPalette::ColorRole role, Color color);

}  // namespace quarvel::platform::controls::qt
