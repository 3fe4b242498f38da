// The progress bar and the status light as drawn from their picture boxes:
// white background, the blue bar from the left to the filled share, the
// centred percentage readable on both sides of the bar's edge (not-xor), and
// the light's colour.
#include "platform/controls/qt/PictureBoxBinding.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include "platform/controls/Form.h"
#include "platform/controls/PictureBox.h"
#include "platform/controls/qt/QtDesktop.h"
#include "platform/controls/qt/QtTestApplication_test_support.h"
#include "platform/controls/qt/WindowFont.h"

namespace quarvel::platform::controls::qt {
namespace {

const QSize kBarSize(160, 20);

class PictureBoxTest : public ::testing::Test {
 protected:
  PictureBoxTest() {
    form.Move(0, 0, 3000, 1000);
    form.Add(bar);
    bar.Move(0, 0, 2400, 300);
    // As the program prepares its progress bar.
    bar.SetFontBold(true);
    bar.SetAutoRedraw(true);
    bar.SetBackColor(kWhite);
    bar.SetDrawMode(PictureDrawMode::kNotXorPen);
    bar.SetFillStyle(PictureFillStyle::kSolid);
    bar.SetForeColor(kBlue);
    bar.SetScaleWidth(10);
  }

  // Pixels of `image` in column range [from, to) of the text's rows that are
  // (nearly) `color`.
  static int CountNear(const QImage& image, int from, int to, QColor color) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = from; x < to; ++x) {
        const QColor pixel = image.pixelColor(x, y);
        if (std::abs(pixel.red() - color.red()) < 40 &&
            std::abs(pixel.green() - color.green()) < 40 &&
            std::abs(pixel.blue() - color.blue()) < 40) {
          ++count;
        }
      }
    }
    return count;
  }

  QApplication& application = TestApplication();
  Form form{"InstallForm"};
  PictureBox bar{"Picture1"};
};

TEST_F(PictureBoxTest, TheBarFillsFromTheLeftAndTheTextStaysReadableOnBothSides) {
  bar.Cls();
  bar.PrintCentred("50%");
  bar.FillFromLeft(5);
  const QImage image = RenderPicture(bar, kBarSize, 1.0, WindowFont());
  EXPECT_EQ(image.pixelColor(5, 10), QColor(0, 0, 255));        // under the bar: blue
  EXPECT_EQ(image.pixelColor(155, 10), QColor(255, 255, 255));  // beyond it: white
  // The text straddles the bar's edge at x = 80: white letters on the blue
  // part, blue letters on the white part.
  EXPECT_GT(CountNear(image, 60, 80, Qt::white), 5);
  EXPECT_GT(CountNear(image, 80, 100, Qt::blue), 5);
  // Without the text, both halves are plain.
  bar.Cls();
  bar.FillFromLeft(5);
  const QImage plain = RenderPicture(bar, kBarSize, 1.0, WindowFont());
  EXPECT_EQ(CountNear(plain, 60, 80, Qt::white), 0);
  EXPECT_EQ(CountNear(plain, 80, 100, Qt::blue), 0);
}

TEST_F(PictureBoxTest, TheFillNeverPassesTheRightEdgeAndACopyPenCoversTheText) {
  bar.PrintCentred("100%");
  bar.FillFromLeft(25);  // more steps than the scale: clamped by the model
  bar.SetDrawMode(PictureDrawMode::kCopyPen);
  const QImage image = RenderPicture(bar, kBarSize, 2.0, WindowFont());
  EXPECT_EQ(image.size(), kBarSize * 2);
  EXPECT_EQ(CountNear(image, 0, image.width(), Qt::white), 0);
}

TEST_F(PictureBoxTest, TheWidgetShowsTheModelAndTheStatusLightItsColour) {
  PictureBox light("Picture2");
  QtDesktop desktop;  // after the controls, which must outlive it
  form.Add(light);
  light.Move(0, 600, 450, 300);
  light.SetBackColor(Color::System(SystemColor::kInfoBackground));
  FormRenderer& renderer = desktop.Render(form);
  form.Show();
  bar.PrintCentred("38%");
  bar.FillFromLeft(3.8);
  bar.Refresh();
  QImage drawn = renderer.WidgetFor(bar)->grab().toImage();
  EXPECT_EQ(drawn.pixelColor(2, 2), QColor(0, 0, 255));
  EXPECT_EQ(drawn.pixelColor(drawn.width() - 3, 2), QColor(255, 255, 255));
  EXPECT_GT(CountNear(drawn, drawn.width() / 2 - 12, drawn.width() / 2 + 12, Qt::blue), 5);
  const QColor info = QApplication::palette().color(QPalette::ToolTipBase);
  EXPECT_EQ(renderer.WidgetFor(light)->grab().toImage().pixelColor(3, 3), info);
  light.SetBackColor(kRed);
  EXPECT_EQ(renderer.WidgetFor(light)->grab().toImage().pixelColor(3, 3), QColor(255, 0, 0));
}

}  // namespace
}  // namespace quarvel::platform::controls::qt
