#include "platform/controls/qt/QtTestApplication_test_support.h"

#include <QTest>
#include <cstdlib>

namespace quarvel::platform::controls::qt {

QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "controls_qt_test";
  static char* argv[] = {name, nullptr};
  static QApplication* application = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return *application;
}

void ProcessEvents() { QCoreApplication::processEvents(); }

void Click(QWidget& widget, QPoint position) {
  QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, position);
}

}  // namespace quarvel::platform::controls::qt
