// quarvel-form-preview: shows the main window and the rule editor drawn by
// controls_qt with sample content, or saves them as PNG files (--save), at
// whatever scale Qt runs (QT_SCALE_FACTOR=2 gives "@2x" files).
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <iostream>
#include <string>

#include "platform/controls/qt/QtDesktop.h"
#include "platform/controls/qt/RunWindow.h"
#include "platform/controls/qt/WindowFont.h"
#include "setup/main/InstallForm.h"
#include "setup/rules/frmAddEdit.h"
#include "tools/form-preview/SampleContent.h"

// Fontconfig keeps a cache for the life of the process that LeakSanitizer
// reports at exit (in the sanitizer build); it is the font library's, not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

using quarvel::platform::controls::qt::FormRenderer;
using quarvel::platform::controls::qt::IconLibrary;

bool Save(const QPixmap& pixmap, const QDir& directory, const QString& name) {
  const qreal ratio = pixmap.devicePixelRatio();
  const QString suffix = ratio > 1.01 ? QStringLiteral("@%1x").arg(qRound(ratio)) : QString();
  const QString path = directory.filePath(name + suffix + QStringLiteral(".png"));
  if (!pixmap.save(path, "PNG")) {
    std::cerr << "quarvel-form-preview: cannot write " << path.toStdString() << '\n';
    return false;
  }
  std::cout << path.toStdString() << '\n';
  return true;
}

// Every icon at 16, 32 and 48 pixels, and the 16-pixel one magnified four
// times without smoothing, so each pixel can be judged; one row per key.
QPixmap IconSheet(const IconLibrary& icons, qreal ratio) {
  const int rowHeight = 72;
  const auto& keys = IconLibrary::Keys();
  QPixmap sheet(QSize(380, rowHeight * static_cast<int>(keys.size()) + 8) * ratio);
  sheet.setDevicePixelRatio(ratio);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  painter.setFont(quarvel::platform::controls::qt::WindowFont());
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  int y = 4;
  for (const std::string& key : keys) {
    painter.drawText(QRect(8, y, 110, rowHeight), Qt::AlignVCenter, QString::fromStdString(key));
    int x = 120;
    for (int size : {16, 32, 48}) {
      icons.Icon(key).paint(&painter, QRect(x, y + (rowHeight - size) / 2, size, size));
      x += size + 16;
    }
    const QPixmap small = icons.Icon(key).pixmap(QSize(16, 16), ratio);
    painter.drawPixmap(QRect(x, y + 4, 64, 64), small);
    y += rowHeight;
  }
  return sheet;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Shows the setup program's main window and rule editor, drawn from their form\n"
      "models with sample content (no window logic runs), or saves them as PNG files."};
  std::string saveDirectory;
  app.add_option("--save", saveDirectory,
                 "write main-window.png, rule-editor.png, rule-editor-forward.png and icons.png\n"
                 "into this directory (\"@2x\" added at 200 % scale) and exit");
  CLI11_PARSE(app, argc, argv);

  if (!quarvel::platform::controls::qt::DisplayAvailable()) {
    std::cerr << "quarvel-form-preview: no display; set DISPLAY, or QT_QPA_PLATFORM=offscreen with "
                 "--save\n";
    return 2;
  }
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  // The forms first: they must outlive the desktop that draws them.
  quarvel::setup::InstallForm mainForm;
  quarvel::setup::frmAddEdit moveRule;
  quarvel::setup::frmAddEdit forwardRule;
  quarvel::platform::controls::qt::QtDesktop desktop;
  quarvel::tools::FillMainWindow(mainForm);
  quarvel::tools::FillMoveRule(moveRule);
  quarvel::tools::FillForwardRule(forwardRule);
  FormRenderer& mainWindow = desktop.Render(mainForm);
  FormRenderer& moveWindow = desktop.Render(moveRule);
  FormRenderer& forwardWindow = desktop.Render(forwardRule);

  if (saveDirectory.empty()) {
    moveRule.Show();
    forwardRule.Show();
    return desktop.Run(mainForm);
  }
  const QDir directory(QString::fromStdString(saveDirectory));
  if (!directory.mkpath(QStringLiteral("."))) {
    std::cerr << "quarvel-form-preview: cannot create " << saveDirectory << '\n';
    return 1;
  }
  mainForm.Show();
  moveRule.Show();
  forwardRule.Show();
  QCoreApplication::processEvents();
  const qreal ratio = mainWindow.Window()->devicePixelRatioF();
  const bool saved =
      Save(mainWindow.Window()->grab(), directory, QStringLiteral("main-window")) &&
      Save(moveWindow.Window()->grab(), directory, QStringLiteral("rule-editor")) &&
      Save(forwardWindow.Window()->grab(), directory, QStringLiteral("rule-editor-forward")) &&
      Save(IconSheet(desktop.Icons(), ratio), directory, QStringLiteral("icons"));
  return saved ? 0 : 1;
}
