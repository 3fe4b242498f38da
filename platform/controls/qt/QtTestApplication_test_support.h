// The QApplication the Qt tests share: created on first use with the
// offscreen platform (whatever display the machine has), so every test draws
// the same way and none needs a display. Also small helpers the tests use.
#pragma once

#include <QApplication>
#include <QPoint>

class QWidget;

namespace quarvel::platform::controls::qt {

QApplication& TestApplication();

// Lets posted events (painting, deferred layout) run.
void ProcessEvents();

// A left click as a person makes it, at `position` of `widget` (press and release).
void Click(QWidget& widget, QPoint position);

}  // namespace quarvel::platform::controls::qt
