#include "platform/controls/qt/QtTestApplication_test_support.h"

#include <QTest>
#include <cstdlib>

// Fontconfig keeps a cache for the life of the process that LeakSanitizer
// reports at exit; it is the font library's, not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

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
