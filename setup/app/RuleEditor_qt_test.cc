// The rule editor of the real program, drawn with Qt offscreen and shown
// modally from the rules list: a person's clicks and typing in the dialog
// reach the editor's logic, OK stores the rule and ends the modal wait, and
// the close box ends it too, changing nothing.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <string>

#include "platform/controls/qt/FormRenderer.h"
#include "platform/controls/qt/QtDesktop.h"
#include "platform/controls/qt/QtTestApplication_test_support.h"
#include "setup/rules/RuleEditorHarness_test_support.h"
#include "setup/rules/RuleFileAccess.h"
#include "setup/rules/RuleListHarness_test_support.h"

namespace quarvel::setup {
namespace {

namespace qt = platform::controls::qt;
using testing::RuleLines;

QTreeWidgetItem* ItemWithText(QTreeWidget& tree, const QString& text) {
  const auto found = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

class RuleEditorQtTest : public ::testing::Test {
 protected:
  RuleEditorQtTest()
      : session_("[Quarvel RuleSet1]\n" +
                 RuleLines(1, "Subject", "[SPAM]", "move to", testing::kJunkMail, "Junk Mail")) {
    main_ = &desktop_.Render(session_.form());
    dialog_ = &desktop_.Render(session_.editor());
    session_.form().Show();
    qt::ProcessEvents();
  }
  ~RuleEditorQtTest() override { session_.program->Exit(); }

  template <class Widget>
  Widget& In(qt::FormRenderer& renderer, const platform::controls::Control& control) {
    return *qobject_cast<Widget*>(renderer.WidgetFor(control));
  }
  // Presses `button` of the main window; `person` acts once the dialog is up.
  void PressAndAct(platform::controls::CommandButton& button, const std::function<void()>& person) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
      EXPECT_TRUE(dialog_->Window()->isVisible() && dialog_->Window()->isModal());
      person();
      acted = true;
    });
    QTest::mouseClick(&In<QPushButton>(*main_, button), Qt::LeftButton);
    qt::ProcessEvents();
    EXPECT_TRUE(acted);
    EXPECT_FALSE(dialog_->Window()->isVisible()) << "the modal wait has ended";
  }

  // First: the desktop needs the application.
  QApplication& application_ = qt::TestApplication();
  testing::EditorSession session_;
  qt::QtDesktop desktop_;
  qt::FormRenderer* main_ = nullptr;
  qt::FormRenderer* dialog_ = nullptr;
};

TEST_F(RuleEditorQtTest, EditingARuleInTheDrawnDialogStoresIt) {
  frmAddEdit& editor = session_.editor();
  auto& rules = In<QTreeWidget>(*main_, session_.form().ListView2);
  qt::Click(*rules.viewport(), rules.visualItemRect(rules.topLevelItem(0)).center());
  PressAndAct(session_.form().cmdEdit, [&] {
    auto& value = In<QLineEdit>(*dialog_, editor.txtValue);
    EXPECT_EQ(value.text().toStdString(), "[SPAM]");
    auto& ok = In<QPushButton>(*dialog_, editor.cmdOK);
    EXPECT_FALSE(ok.isEnabled());
    value.selectAll();
    QTest::keyClicks(&value, "[abc{*}");
    EXPECT_NE(value.toolTip().toStdString().find("has no closing ']'"), std::string::npos);
    QTest::keyClick(&value, Qt::Key_Backspace);
    QTest::keyClick(&value, Qt::Key_Backspace);
    QTest::keyClick(&value, Qt::Key_Backspace);
    QTest::keyClicks(&value, "]{*}");
    EXPECT_EQ(value.toolTip().toStdString(), "");

    auto& tree = In<QTreeWidget>(*dialog_, editor.TreeView1);
    QTreeWidgetItem* inbox = ItemWithText(tree, "Inbox");
    ASSERT_NE(inbox, nullptr);
    qt::Click(*tree.viewport(), tree.visualItemRect(inbox).center());
    EXPECT_EQ(In<QComboBox>(*dialog_, editor.ComboTargets).currentText().toStdString(),
              testing::kInbox);
    EXPECT_EQ(In<QLineEdit>(*dialog_, editor.txtDispLayName).text().toStdString(), "Inbox");
    ASSERT_TRUE(ok.isEnabled());
    QTest::mouseClick(&ok, Qt::LeftButton);
  });
  EXPECT_EQ(rules.topLevelItem(0)->text(0).toStdString(), "Subject: [abc]{*}");
  EXPECT_EQ(rules.topLevelItem(0)->text(2).toStdString(), testing::kInbox);
  EXPECT_EQ(ReadRuleList(session_.RuleFilePath()).rules.at(0).value, "[abc]{*}");
}

TEST_F(RuleEditorQtTest, RecipientsSortAndAreChosenByClicksAndTheCloseBoxChangesNothing) {
  frmAddEdit& editor = session_.editor();
  const std::string before = session_.RuleFileText();
  PressAndAct(session_.form().cmdAdd, [&] {
    auto& action = In<QComboBox>(*dialog_, editor.ComboAction);
    QTest::keyClick(&action, Qt::Key_F);  // the first action that begins with "f"
    EXPECT_EQ(action.currentText().toStdString(), "forward to");
    auto& recipients = In<QTreeWidget>(*dialog_, editor.ListView1);
    ASSERT_TRUE(recipients.isVisible());
    const QString first = recipients.topLevelItem(0)->text(0);
    QHeaderView& header = *recipients.header();
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                      QPoint(header.sectionPosition(0) + 10, header.height() / 2));
    qt::ProcessEvents();
    EXPECT_NE(recipients.topLevelItem(0)->text(0), first) << "now descending";
    QTreeWidgetItem* alice = ItemWithText(recipients, "alice.martin@example.com");
    ASSERT_NE(alice, nullptr);
    recipients.scrollToItem(alice);
    qt::Click(*recipients.viewport(), recipients.visualItemRect(alice).center());
    EXPECT_EQ(In<QComboBox>(*dialog_, editor.ComboEmailAddresses).currentText().toStdString(),
              "alice.martin@example.com");
    EXPECT_EQ(In<QLineEdit>(*dialog_, editor.txtDispLayName).text().toStdString(), "Alice Martin");
    dialog_->Window()->close();  // the close box
  });
  EXPECT_TRUE(session_.editor().IsLoaded());
  EXPECT_EQ(session_.RuleFileText(), before);
  EXPECT_EQ(session_.Rules().size(), 1u);
}

}  // namespace
}  // namespace quarvel::setup
