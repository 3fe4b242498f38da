// Both real forms drawn offscreen: every control has a widget that shows the
// model's text, place, visibility and enabled state, and keeps showing them
// as the program changes the model; the window follows the form's life.
#include "platform/controls/qt/FormRenderer.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <string>

#include "platform/controls/qt/QtDesktop.h"
#include "platform/controls/qt/QtTestApplication_test_support.h"
#include "setup/main/InstallForm.h"
#include "setup/rules/frmAddEdit.h"

namespace quarvel::platform::controls::qt {
namespace {

using setup::frmAddEdit;
using setup::InstallForm;

// The model's rectangle in pixels, worked out from the screen's DPI here
// rather than by the renderer's own scale.
QRect ExpectedGeometry(const Control& control) {
  const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
  auto px = [dpi](int twips) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); };
  const int left = px(control.Left());
  const int top = px(control.Top());
  return QRect(left, top, px(control.Left() + control.Width()) - left,
               px(control.Top() + control.Height()) - top);
}

// The caption or text the model says the control shows, and what its widget shows.
std::pair<std::string, std::string> ShownText(const Control& control, QWidget& widget) {
  switch (control.Kind()) {
    case ControlKind::kLabel:
      return {static_cast<const Label&>(control).Caption(),
              qobject_cast<QLabel*>(&widget)->text().toStdString()};
    case ControlKind::kCommandButton:
      return {static_cast<const CommandButton&>(control).Caption(),
              qobject_cast<QAbstractButton*>(&widget)->text().toStdString()};
    case ControlKind::kFrame:
      return {static_cast<const Frame&>(control).Caption(),
              qobject_cast<QGroupBox*>(&widget)->title().toStdString()};
    case ControlKind::kTextBox: {
      const auto& box = static_cast<const TextBox&>(control);
      if (auto* line = qobject_cast<QLineEdit*>(&widget)) {
        return {box.Text(), line->text().toStdString()};
      }
      // Lines end in CR LF in the model and are plain lines in the widget.
      const QString lines = qobject_cast<QPlainTextEdit*>(&widget)->toPlainText();
      return {box.Text(), QString(lines).replace("\n", "\r\n").toStdString()};
    }
    default:
      return {"", ""};
  }
}

class FormRendererTest : public ::testing::Test {
 protected:
  QApplication& application = TestApplication();

  // Every control the form holds against its widget.
  static void ExpectWidgetsMatch(const Form& form, const FormRenderer& renderer) {
    int drawn = 0;
    for (const Control* control : form.AllControls()) {
      QWidget* widget = renderer.WidgetFor(*control);
      if (control->Kind() == ControlKind::kImageList) {
        EXPECT_EQ(widget, nullptr);
        continue;
      }
      ASSERT_NE(widget, nullptr) << control->QualifiedName();
      ++drawn;
      const std::string name = control->QualifiedName();
      EXPECT_EQ(widget->geometry(), ExpectedGeometry(*control)) << name;
      EXPECT_EQ(widget->isVisibleTo(renderer.Window()), control->IsEffectivelyVisible()) << name;
      EXPECT_EQ(widget->isEnabled(), control->IsEffectivelyEnabled()) << name;
      EXPECT_EQ(widget->toolTip().toStdString(), control->ToolTipText()) << name;
      const auto [model, shown] = ShownText(*control, *widget);
      EXPECT_EQ(shown, model) << name;
    }
    EXPECT_GT(drawn, 20);
  }
};

TEST_F(FormRendererTest, BothFormsAreDrawnAsTheirModelsSay) {
  InstallForm mainForm;
  frmAddEdit editor;
  QtDesktop desktop;  // after the forms, which must outlive it
  FormRenderer& mainWindow = desktop.Render(mainForm);
  FormRenderer& editorWindow = desktop.Render(editor);
  ExpectWidgetsMatch(mainForm, mainWindow);
  ExpectWidgetsMatch(editor, editorWindow);
  EXPECT_EQ(mainWindow.Window()->windowTitle(), "Quarvel setup");
  EXPECT_EQ(mainWindow.Window()->size(), ExpectedGeometry(mainForm).size());
  EXPECT_EQ(qobject_cast<QLineEdit*>(mainWindow.WidgetFor(mainForm.txtPwd))->echoMode(),
            QLineEdit::Password);
  EXPECT_TRUE(qobject_cast<QLineEdit*>(editorWindow.WidgetFor(editor.Text3))->isReadOnly());
  EXPECT_TRUE(qobject_cast<QPlainTextEdit*>(mainWindow.WidgetFor(mainForm.txtErr))->isReadOnly());
  // The pictures are laid over the status bar's panels.
  QWidget* bar = mainWindow.WidgetFor(mainForm.StatusBar1);
  const QObjectList& stacking = bar->parentWidget()->children();
  EXPECT_GT(stacking.indexOf(mainWindow.WidgetFor(mainForm.Picture1)), stacking.indexOf(bar));
}

TEST_F(FormRendererTest, TheProgramsChangesReachTheWidgetsAsTheyHappen) {
  InstallForm mainForm;
  QtDesktop desktop;
  FormRenderer& renderer = desktop.Render(mainForm);
  mainForm.btnInstall.SetCaption("Uninstall");
  mainForm.Label8.SetCaption("COM+ object is installed");
  mainForm.Frame2.SetCaption("Mail-enabled Public Folders");
  mainForm.txtErr.SetText("[entry] one\r\n\r\n");
  mainForm.txtErr.SetVisible(true);
  mainForm.cmdCheckAll.SetEnabled(false);
  mainForm.btnInstall.Move(4700, 270, 1450, 375);
  mainForm.Label4.SetToolTipText("only these");
  mainForm.Frame1.SetEnabled(false);  // disables what it holds
  mainForm.Frame4.SetVisible(false);  // hides what it holds
  mainForm.SetCaption("Quarvel setup - batch mode");
  ExpectWidgetsMatch(mainForm, renderer);
  EXPECT_FALSE(renderer.WidgetFor(mainForm.txtIdent)->isEnabled());
  EXPECT_TRUE(mainForm.txtIdent.Enabled());
  EXPECT_FALSE(renderer.WidgetFor(mainForm.cmdAdd)->isVisibleTo(renderer.Window()));
  EXPECT_EQ(qobject_cast<QPlainTextEdit*>(renderer.WidgetFor(mainForm.txtErr))->toPlainText(),
            "[entry] one\n\n");
  EXPECT_EQ(renderer.Window()->windowTitle(), "Quarvel setup - batch mode");
}

TEST_F(FormRendererTest, TheWindowFollowsTheFormsLifeAndItsCloseBoxAsksTheForm) {
  InstallForm mainForm;
  QtDesktop desktop;
  FormRenderer& renderer = desktop.Render(mainForm);
  QWidget* window = renderer.Window();
  EXPECT_FALSE(window->isVisible());
  mainForm.Show();
  EXPECT_TRUE(window->isVisible());
  bool refuse = true;
  int asked = 0;
  mainForm.OnQueryUnload = [&](bool& cancel, UnloadMode mode) {
    ++asked;
    EXPECT_EQ(mode, UnloadMode::kCloseBox);
    cancel = refuse;
  };
  window->close();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(mainForm.IsLoaded());
  EXPECT_TRUE(window->isVisible());
  refuse = false;
  window->close();
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(mainForm.IsLoaded());
  EXPECT_FALSE(window->isVisible());
  mainForm.Show();  // loads again
  EXPECT_TRUE(window->isVisible());
  mainForm.Hide();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(FormRendererTest, AModalShowWaitsUntilTheFormIsHiddenOrUnloaded) {
  InstallForm mainForm;
  frmAddEdit editor;
  QtDesktop desktop;
  desktop.Render(mainForm);
  FormRenderer& dialog = desktop.Render(editor);
  mainForm.Show();
  for (bool unload : {false, true}) {
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
      wasModal = dialog.Window()->isVisible() && dialog.Window()->isModal();
      if (unload) {
        editor.Unload();
      } else {
        editor.Hide();
      }
    });
    editor.Show(ShowMode::kModal, &mainForm);
    EXPECT_TRUE(wasModal) << unload;
    EXPECT_FALSE(dialog.Window()->isVisible()) << unload;
    EXPECT_FALSE(editor.IsShownModally());
  }
  // A dialog shown modeless afterwards is not modal.
  editor.Show();
  EXPECT_FALSE(dialog.Window()->isModal());
}

TEST_F(FormRendererTest, AWindowGoesWhereItsFormWasMovedAndStaysWhollyOnTheScreen) {
  frmAddEdit editor;
  QtDesktop desktop;
  FormRenderer& renderer = desktop.Render(editor);
  QWidget& window = *renderer.Window();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
  const auto twips = [dpi](int pixels) {
    return static_cast<int>(std::lround(pixels * 1440 / dpi));
  };

  editor.Move(twips(area.left() + 20), twips(area.top() + 30), editor.Width(), editor.Height());
  editor.Show();
  EXPECT_EQ(window.pos(), area.topLeft() + QPoint(20, 30));
  editor.Hide();
  // Moved again before the next show: placed anew, but never past the screen's edge.
  editor.Move(twips(area.right()), twips(area.bottom()), editor.Width(), editor.Height());
  editor.Show();
  EXPECT_TRUE(area.contains(window.frameGeometry())) << window.x() << "," << window.y();
  EXPECT_EQ(window.frameGeometry().bottomRight(), area.bottomRight());
  // Where the person leaves it, it stays while the program does not move it.
  editor.Hide();
  window.move(area.topLeft() + QPoint(5, 6));
  editor.Show();
  EXPECT_EQ(window.pos(), area.topLeft() + QPoint(5, 6));
}

TEST_F(FormRendererTest, ReturnAndEscapePressTheFormsDefaultAndCancelButtons) {
  frmAddEdit editor;
  QtDesktop desktop;
  FormRenderer& renderer = desktop.Render(editor);
  std::vector<std::string> clicks;
  editor.cmdOK.OnClick = [&] { clicks.push_back("OK"); };
  editor.cmdCancel.OnClick = [&] { clicks.push_back("Cancel"); };
  editor.Show();
  auto press = [&](Qt::Key key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(renderer.Window(), &event);
  };
  press(Qt::Key_Return);  // OK is disabled as designed
  editor.cmdOK.SetEnabled(true);
  press(Qt::Key_Return);
  press(Qt::Key_Escape);
  EXPECT_EQ(clicks, (std::vector<std::string>{"OK", "Cancel"}));
}

TEST(TwipsScaleTest, TwipsFollowTheLogicalDpiAndTouchingControlsStillTouch) {
  struct Case {
    double dpi;
    int twips;
    int pixels;
  };
  const Case cases[] = {
      {96, 1440, 96}, {96, 15, 1}, {192, 1440, 192}, {120, 1440, 120}, {0, 1440, 96}};
  for (const Case& c : cases) EXPECT_EQ(TwipsScale(c.dpi).ToPixels(c.twips), c.pixels) << c.dpi;
  const TwipsScale scale(96);
  // Two boxes 10 twips wide side by side: each rounded on its own would
  // leave a gap or an overlap; rounded by their edges they meet.
  const QRect first = scale.ToPixels(0, 0, 10, 10);
  const QRect second = scale.ToPixels(10, 0, 10, 10);
  EXPECT_EQ(first.left() + first.width(), second.left());
  EXPECT_EQ(first.width() + second.width(), scale.ToPixels(20));
  EXPECT_EQ(scale.ToTwips(96), 1440);
}

}  // namespace
}  // namespace quarvel::platform::controls::qt
