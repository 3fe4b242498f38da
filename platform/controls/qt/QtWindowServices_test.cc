// The Qt window services: message boxes as the program asks for them (the
// mapping, without showing a dialog), the busy pointer, letting pending
// events run, the web address, modal forms, window rectangles and the twips
// scale; and the icons behind every image-list key.
#include "platform/controls/qt/QtWindowServices.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <optional>

#include "platform/PlatformError.h"
#include "platform/controls/ControlErrors.h"
#include "platform/controls/Form.h"
#include "platform/controls/Label.h"
#include "platform/controls/qt/IconLibrary.h"
#include "platform/controls/qt/MessageBoxLayout.h"
#include "platform/controls/qt/QtDesktop.h"
#include "platform/controls/qt/QtTestApplication_test_support.h"
#include "platform/controls/qt/RunWindow.h"

namespace quarvel::platform::controls::qt {
namespace {

using B = QMessageBox::StandardButton;

TEST(MessageBoxLayoutTest, ButtonsDefaultsEscapeAndIconsAreTheOnesAskedFor) {
  struct Case {
    MsgBoxButtons buttons;
    MsgBoxDefault defaultButton;
    std::vector<B> expected;
    B defaultExpected;
    B escape;
  };
  const Case cases[] = {
      {MsgBoxButtons::kOkOnly, MsgBoxDefault::kButton1, {B::Ok}, B::Ok, B::Ok},
      {MsgBoxButtons::kOkOnly, MsgBoxDefault::kButton3, {B::Ok}, B::Ok, B::Ok},
      {MsgBoxButtons::kOkCancel, MsgBoxDefault::kButton2, {B::Ok, B::Cancel}, B::Cancel, B::Cancel},
      {MsgBoxButtons::kOkCancel, MsgBoxDefault::kButton3, {B::Ok, B::Cancel}, B::Ok, B::Cancel},
      {MsgBoxButtons::kYesNo, MsgBoxDefault::kButton2, {B::Yes, B::No}, B::No, B::No},
      {MsgBoxButtons::kYesNo, MsgBoxDefault::kButton1, {B::Yes, B::No}, B::Yes, B::No},
      {MsgBoxButtons::kYesNoCancel,
       MsgBoxDefault::kButton3,
       {B::Yes, B::No, B::Cancel},
       B::Cancel,
       B::Cancel},
      {MsgBoxButtons::kAbortRetryIgnore,
       MsgBoxDefault::kButton2,
       {B::Abort, B::Retry, B::Ignore},
       B::Retry,
       B::Abort},
      {MsgBoxButtons::kRetryCancel,
       MsgBoxDefault::kButton1,
       {B::Retry, B::Cancel},
       B::Retry,
       B::Cancel},
  };
  for (const Case& c : cases) {
    const MessageBoxLayout layout = LayOutMessageBox(c.buttons, MsgBoxIcon::kNone, c.defaultButton);
    EXPECT_EQ(layout.buttons, c.expected) << int(c.buttons);
    EXPECT_EQ(layout.defaultButton, c.defaultExpected) << int(c.buttons);
    EXPECT_EQ(layout.escapeButton, c.escape) << int(c.buttons);
  }
  const std::pair<MsgBoxIcon, QMessageBox::Icon> icons[] = {
      {MsgBoxIcon::kNone, QMessageBox::NoIcon},
      {MsgBoxIcon::kCritical, QMessageBox::Critical},
      {MsgBoxIcon::kQuestion, QMessageBox::Question},
      {MsgBoxIcon::kExclamation, QMessageBox::Warning},
      {MsgBoxIcon::kInformation, QMessageBox::Information}};
  for (const auto& [icon, expected] : icons) {
    EXPECT_EQ(LayOutMessageBox(MsgBoxButtons::kOkOnly, icon, MsgBoxDefault::kButton1).icon,
              expected);
  }
}

TEST(MessageBoxLayoutTest, EveryButtonAnswersAsItsName) {
  const std::pair<B, MsgBoxResult> answers[] = {
      {B::Ok, MsgBoxResult::kOk},         {B::Cancel, MsgBoxResult::kCancel},
      {B::Abort, MsgBoxResult::kAbort},   {B::Retry, MsgBoxResult::kRetry},
      {B::Ignore, MsgBoxResult::kIgnore}, {B::Yes, MsgBoxResult::kYes},
      {B::No, MsgBoxResult::kNo}};
  for (const auto& [button, result] : answers)
    EXPECT_EQ(ResultOf(button, MsgBoxResult::kCancel), result);
  EXPECT_EQ(ResultOf(B::NoButton, MsgBoxResult::kNo), MsgBoxResult::kNo);
}

class QtWindowServicesTest : public ::testing::Test {
 protected:
  QtWindowServicesTest() {
    form.Move(0, 0, 3000, 1500);
    form.Add(label);
    label.Move(150, 300, 1500, 255);
  }

  QApplication& application = TestApplication();
  Form form{"frmAddEdit"};
  Label label{"Label1"};
  QtDesktop desktop;  // after the form, which must outlive it
};

TEST_F(QtWindowServicesTest, TheBusyPointerIsSetOnceAndTakenBackOnce) {
  QtWindowServices& services = desktop.Services();
  services.SetMousePointer(MousePointer::kHourglass);
  services.SetMousePointer(MousePointer::kHourglass);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  services.SetMousePointer(MousePointer::kDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  services.SetMousePointer(MousePointer::kDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtWindowServicesTest, DoEventsRunsTimersAndTheWebAddressGoesToTheUrlHandler) {
  QtWindowServices& services = desktop.Services();
  bool fired = false;
  QTimer::singleShot(0, [&] { fired = true; });
  services.DoEvents();
  EXPECT_TRUE(fired);
  std::vector<QUrl> opened;
  services.openUrl = [&](const QUrl& url) {
    opened.push_back(url);
    return true;
  };
  services.OpenWebAddress("https://quarvel.example/");
  EXPECT_EQ(opened, (std::vector<QUrl>{QUrl("https://quarvel.example/")}));
  const LocalDateTime now = services.Now();
  EXPECT_EQ(now.year, QDate::currentDate().year());
}

TEST_F(QtWindowServicesTest, ModalFormsRectanglesAndTheScaleComeFromTheDrawnWindows) {
  QtWindowServices& services = desktop.Services();
  EXPECT_EQ(services.WindowRect(label), std::nullopt);  // not drawn yet
  desktop.Render(form);
  EXPECT_EQ(form.Services(), &services);
  QTimer::singleShot(0, [&] { form.Hide(); });
  form.Show(ShowMode::kModal);
  EXPECT_FALSE(form.IsShownModally());
  const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
  EXPECT_EQ(services.TwipsPerPixelX(), static_cast<int>(std::lround(1440 / dpi)));
  form.Show();
  const std::optional<ScreenRect> rect = services.WindowRect(label);
  ASSERT_TRUE(rect.has_value());
  EXPECT_EQ(rect->right - rect->left, desktop.RendererFor(form)->Scale().ToPixels(1500));
  Form other("other");
  try {
    services.RunModal(other);  // a form that is not drawn cannot run modally
    ADD_FAILURE();
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Number(), kErrInvalidCall);
  }
}

TEST_F(QtWindowServicesTest, AnErrorAHandlerLetsThroughIsReportedAndTheWindowGoesOn) {
  std::vector<std::string> reported;
  desktop.SetErrorReporter(
      [&](const std::exception_ptr& error) { reported.push_back(DescribeError(error)); });
  FormRenderer& renderer = desktop.Render(form);
  label.OnClick = [] { ThrowControlError(kErrIndexOutOfBounds); };
  form.Show();
  Click(*renderer.WidgetFor(label), QPoint(3, 3));
  EXPECT_EQ(reported, (std::vector<std::string>{"Run-time error '35600': Index out of bounds"}));
}

TEST(QtDesktopTest, ServicesMadeBeforeTheWindowsServeThemAndOutliveTheDesktop) {
  TestApplication();
  QtWindowServices services;  // as a program makes them, before its forms
  Form dialog("frmAddEdit");
  Form other("InstallForm");
  dialog.Move(0, 0, 3000, 2000);
  dialog.SetServices(&services);
  {
    QtDesktop desktop(services);
    QtDesktop ownServices;
    desktop.Render(dialog);
    ownServices.Render(other);
    EXPECT_EQ(other.Services(), &ownServices.Services());
    QTimer::singleShot(0, [&] { dialog.Hide(); });
    dialog.Show(ShowMode::kModal);
    EXPECT_FALSE(dialog.IsShownModally());
  }
  EXPECT_EQ(dialog.Services(), &services);  // the program's, kept
  EXPECT_EQ(other.Services(), nullptr);     // the gone desktop's, taken back
  EXPECT_EQ(dialog.Observer(), nullptr);
  try {
    services.RunModal(dialog);  // nothing draws it any more
    ADD_FAILURE();
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Number(), kErrInvalidCall);
  }
}

TEST(RunWindowTest, WithoutADisplayItSaysSoInsteadOfLettingQtAbort) {
  TestApplication();
  const char* names[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
  std::vector<std::optional<std::string>> saved;
  for (const char* name : names) {
    const char* value = std::getenv(name);
    saved.push_back(value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    unsetenv(name);
  }
  Form form("InstallForm");
  int argc = 1;
  char program[] = "QuarvelSetup";
  char* argv[] = {program, nullptr};
  EXPECT_FALSE(DisplayAvailable());
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunWindow(argc, argv, form), 2);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("no display"), std::string::npos);
  EXPECT_FALSE(form.IsLoaded());
  setenv("DISPLAY", ":99", 1);
  EXPECT_TRUE(DisplayAvailable());
  for (std::size_t i = 0; i < saved.size(); ++i) {
    if (saved[i]) {
      setenv(names[i], saved[i]->c_str(), 1);
    } else {
      unsetenv(names[i]);
    }
  }
}

TEST(IconLibraryTest, EveryImageKeyHasADistinctSharpPicture) {
  TestApplication();
  const IconLibrary icons;
  const std::vector<std::string> keys = {"pf",           "checked",   "unchecked",    "targetpf",
                                         "accessdenied", "user",      "userdisabled", "group",
                                         "contact",      "ascending", "descending"};
  std::vector<QImage> pictures;
  for (const std::string& key : keys) {
    const QIcon icon = icons.Icon(key);
    ASSERT_FALSE(icon.isNull()) << key;
    // A 2x screen gets a picture drawn at 32 pixels, not a stretched 16.
    const QPixmap sharp = icon.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32)) << key;
    QImage picture = icon.pixmap(QSize(16, 16), 1.0).toImage();
    for (const QImage& earlier : pictures) EXPECT_NE(picture, earlier) << key;
    pictures.push_back(picture);
  }
  EXPECT_TRUE(icons.Icon("nothing").isNull());
  QImage image(16, 16, QImage::Format_ARGB32);
  QPainter painter(&image);
  EXPECT_FALSE(IconLibrary::Paint(painter, QRectF(0, 0, 16, 16), "nothing"));
}

}  // namespace
}  // namespace quarvel::platform::controls::qt
