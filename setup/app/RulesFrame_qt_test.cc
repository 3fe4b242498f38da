// The frame "Rules" and the pickup directory of the real program, drawn with
// Qt offscreen: a person's clicks on the list and the buttons, and typing in
// the pickup box, reach the program, and the window shows the list as the
// rule file holds it afterwards.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <string>

#include "platform/controls/qt/FormRenderer.h"
#include "platform/controls/qt/QtDesktop.h"
#include "platform/controls/qt/QtTestApplication_test_support.h"
#include "setup/main/SetupProgram.h"
#include "setup/main/TestPlatform_test_support.h"
#include "setup/rules/RuleFileAccess.h"
#include "setup/rules/RuleListHarness_test_support.h"

namespace quarvel::setup {
namespace {

namespace qt = platform::controls::qt;
using testing::RuleLines;

TEST(RulesFrameQtTest, ClicksAndTypingInTheDrawnWindowReachTheRulesAndThePickupBox) {
  QApplication& application = qt::TestApplication();
  (void)application;
  testing::TestPlatform platform;
  platform.WriteComponentFile();  // otherwise every refresh logs it missing
  std::ofstream(platform.Root() / "Quarvel.ini")
      << "[Quarvel RuleSet1]\n"
      << RuleLines(1, "Subject", "[SPAM]", "move to", "http://MAIL01/Public/Junk Mail", "Junk Mail")
      << RuleLines(2, "IMFSCL", "{>6}", "delete", "<NULL>");
  auto program = platform.MakeProgram();
  qt::QtDesktop desktop;
  qt::FormRenderer& window = desktop.Render(program->Form());
  InstallForm& form = program->Form();
  form.Show();
  qt::ProcessEvents();

  auto& list = *qobject_cast<QTreeWidget*>(window.WidgetFor(form.ListView2));
  ASSERT_EQ(list.topLevelItemCount(), 2);
  EXPECT_EQ(list.topLevelItem(0)->text(0).toStdString(), "Subject: [SPAM]");
  EXPECT_EQ(list.topLevelItem(1)->text(0).toStdString(), "SCL value is greater than 6");
  auto& moveUp = *qobject_cast<QPushButton*>(window.WidgetFor(form.cmdMoveUp));
  EXPECT_FALSE(moveUp.isEnabled());

  qt::Click(*list.viewport(), list.visualItemRect(list.topLevelItem(1)).center());
  qt::ProcessEvents();
  ASSERT_TRUE(moveUp.isEnabled());
  QTest::mouseClick(&moveUp, Qt::LeftButton);
  qt::ProcessEvents();
  EXPECT_EQ(list.topLevelItem(0)->text(0).toStdString(), "SCL value is greater than 6");
  EXPECT_EQ(ReadRuleList(platform.Root() / "Quarvel.ini").rules.at(0).header, "IMFSCL");
  EXPECT_FALSE(moveUp.isEnabled()) << "the moved rule is first and stays selected";

  auto& combo = *qobject_cast<QComboBox*>(window.WidgetFor(form.ComboPickUp));
  auto& change = *qobject_cast<QPushButton*>(window.WidgetFor(form.btnPickUpChange));
  EXPECT_EQ(combo.currentText().toStdString(), (platform.Root() / "pickup").string());
  EXPECT_FALSE(change.isEnabled());
  combo.lineEdit()->selectAll();
  QTest::keyClicks(combo.lineEdit(), "/srv/typed");
  qt::ProcessEvents();
  ASSERT_TRUE(change.isEnabled());
  QTest::mouseClick(&change, Qt::LeftButton);
  qt::ProcessEvents();
  EXPECT_EQ(ReadPickupPath(platform.Root() / "Quarvel.ini"), "/srv/typed");
  EXPECT_FALSE(change.isEnabled());
  EXPECT_EQ(form.txtErr.Text(), "");
  program->Exit();
}

}  // namespace
}  // namespace quarvel::setup
