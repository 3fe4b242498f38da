// The status bar through busy and idle, the progress bar's percentage and
// fill, and how a folder row's look reaches its sub-items.
#include "setup/main/StatusDisplay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "platform/ado/ProviderRegistry.h"
#include "platform/controls/ScriptedWindowServices_test_support.h"
#include "setup/main/InstallForm.h"
#include "setup/main/ListRowStyle.h"

namespace quarvel::setup {
namespace {

using namespace platform::controls;

class StatusDisplayTest : public ::testing::Test {
 protected:
  StatusDisplayTest() { status_.PreparePictures(); }

  std::string StatusText() const { return form_.StatusBar1.Panels()("statustext").Text(); }
  Color Light() const { return form_.Picture2.BackColor(); }

  InstallForm form_;
  ScriptedWindowServices services_;
  platform::ado::ProviderRegistry providers_;
  WindowState window_{providers_};
  StatusDisplay status_{form_, services_, window_};
};

TEST_F(StatusDisplayTest, ThePicturesLieOverTheirPanels) {
  const auto& panels = form_.StatusBar1.Panels();
  EXPECT_EQ(form_.Picture1.Left(), panels("progress").Left());
  EXPECT_EQ(form_.Picture1.Width(), panels("progress").Width());
  EXPECT_EQ(form_.Picture2.Left(), panels("statuspict").Left());
  EXPECT_EQ(form_.Picture2.Top(), form_.StatusBar1.Top() + 40);
  EXPECT_TRUE(form_.Picture2.Visible());
  EXPECT_FALSE(form_.Picture1.Visible());
  EXPECT_EQ(form_.Picture1.DrawMode(), PictureDrawMode::kNotXorPen);
  EXPECT_EQ(form_.Picture1.ForeColor(), kBlue);
}

TEST_F(StatusDisplayTest, BusyThenIdleShowsWhetherTheSinkCanRun) {
  struct Case {
    const char* installCaption;
    int rules;
    const char* text;
    Color light;
  };
  const Case cases[] = {
      {"Install", 0, kStatusNotInstalled, kRed},
      {"Install", 2, kStatusNotInstalled, kRed},  // the application's reason wins
      {"Uninstall", 0, kStatusNoRules, kRed},
      {"Uninstall", 1, kStatusStarted, kGreen},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.installCaption) + " with rules: " + std::to_string(c.rules));
    form_.btnInstall.SetCaption(c.installCaption);
    form_.ListView2.ListItems().Clear();
    for (int i = 0; i < c.rules; ++i) form_.ListView2.ListItems().Add(0, "", "rule");

    status_.StartAction();
    EXPECT_EQ(StatusText(), "Status: unknown.  Please wait...");
    EXPECT_EQ(Light(), Color::System(SystemColor::kInfoBackground));
    EXPECT_EQ(services_.mousePointer, MousePointer::kHourglass);

    status_.EndAction();
    EXPECT_EQ(StatusText(), c.text);
    EXPECT_EQ(Light(), c.light);
    EXPECT_EQ(services_.mousePointer, MousePointer::kDefault);
  }
}

TEST_F(StatusDisplayTest, EndActionKeepsAStatusThatIsNoLongerBusy) {
  status_.StartAction();
  status_.AppStatus();
  status_.SetStatusText("Status: unknown.");
  status_.EndAction();
  EXPECT_EQ(StatusText(), "Status: unknown.");
  EXPECT_EQ(Light(), kRed);
}

TEST(ProgressPercentTest, RoundsHalvesToEvenAndStaysWithin0To100) {
  struct Case {
    double counter, scale;
    int percent;
  };
  const Case cases[] = {{1, 8, 12},   {3, 8, 38},  {5, 8, 62},  {7, 8, 88}, {1, 3, 33},
                        {2, 3, 67},   {8, 8, 100}, {9, 8, 100}, {-1, 8, 0}, {0, 0, 100},
                        {1, -4, 100}, {1, 200, 0}, {1, 201, 0}, {3, 200, 2}};
  for (const auto& c : cases) {
    EXPECT_EQ(ProgressPercent(c.counter, c.scale), c.percent) << c.counter << "/" << c.scale;
  }
}

TEST_F(StatusDisplayTest, AProgressRunDrawsItsShareAndNeverPastTheEnd) {
  status_.BeginProgress(8);
  EXPECT_TRUE(form_.Picture1.Visible());
  EXPECT_EQ(form_.Picture1.PrintedText(), "0%");
  status_.UpdateStatus(1);
  EXPECT_EQ(form_.Picture1.PrintedText(), "12%");
  EXPECT_DOUBLE_EQ(form_.Picture1.FilledTo(), 1);
  status_.UpdateStatus(2);
  EXPECT_EQ(form_.Picture1.PrintedText(), "38%");
  for (int i = 0; i < 10; ++i) status_.UpdateStatus(1);
  EXPECT_EQ(window_.progressCounter, 8);
  EXPECT_EQ(form_.Picture1.PrintedText(), "100%");
  EXPECT_DOUBLE_EQ(form_.Picture1.FilledFraction(), 1);
  const int refreshes = form_.Picture1.RefreshCount();
  status_.UpdateStatus(std::numeric_limits<std::int32_t>::max());
  status_.UpdateStatus(std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(window_.progressCounter, 8) << "a huge step must not wrap around";
  EXPECT_EQ(form_.Picture1.RefreshCount(), refreshes + 2) << "each step reaches the screen";

  status_.EndProgress();
  EXPECT_FALSE(form_.Picture1.Visible());
  EXPECT_EQ(form_.Picture1.PrintedText(), "");
  EXPECT_DOUBLE_EQ(form_.Picture1.FilledTo(), 0);
}

TEST_F(StatusDisplayTest, ARunOverNoRowsStartsAtZeroAndEndsHidden) {
  status_.BeginProgress(5);
  status_.UpdateStatus(5);
  status_.EndProgress();
  status_.BeginProgress(0);
  EXPECT_EQ(window_.progressCounter, 0);
  EXPECT_EQ(form_.Picture1.PrintedText(), "0%");
  EXPECT_DOUBLE_EQ(form_.Picture1.FilledTo(), 0);
  status_.EndProgress();
  EXPECT_FALSE(form_.Picture1.Visible());
}

TEST(ListRowStyleTest, TheRowsLookReachesEverySubItem) {
  ListView list("ListView1");
  ListItem& row = list.ListItems().Add(0, "http://MAIL01/Public/Sales", "Sales", "unchecked");
  row.SetBold(true);
  AddSubItem(row, 1, "Sales");
  EXPECT_TRUE(row.ListSubItems()(1).Bold());
  EXPECT_EQ(row.ListSubItems()(1).ToolTipText(), "Sales");
  SetStrParams(row, "targetpf", "[RULE TARGET] ", false);
  AddSubItem(row, 2, "sales@example.com");
  row.SetToolTipText(row.ToolTipText() + row.Key());

  EXPECT_EQ(row.SmallIcon(), "targetpf");
  EXPECT_FALSE(row.Bold());
  EXPECT_EQ(row.ToolTipText(), "[RULE TARGET] http://MAIL01/Public/Sales");
  EXPECT_EQ(row.ListSubItems()(1).ToolTipText(), "[RULE TARGET] Sales");
  EXPECT_FALSE(row.ListSubItems()(1).Bold());
  EXPECT_EQ(row.ListSubItems()(2).ToolTipText(), "[RULE TARGET] sales@example.com");
  EXPECT_EQ(row.ColumnText(2), "sales@example.com");
}

}  // namespace
}  // namespace quarvel::setup
