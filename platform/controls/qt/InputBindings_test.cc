// Text boxes, combo boxes, buttons, option buttons and labels of the real
// forms drawn offscreen: a person's typing, choosing and clicking reach the
// model's events exactly as the desktop raised them, and the program's own
// changes show without coming back as a person's actions.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <string>
#include <vector>

#include "platform/controls/qt/FormRenderer.h"
#include "platform/controls/qt/QtDesktop.h"
#include "platform/controls/qt/QtTestApplication_test_support.h"
#include "setup/main/InstallForm.h"
#include "setup/rules/frmAddEdit.h"

namespace quarvel::platform::controls::qt {
namespace {

using setup::frmAddEdit;
using setup::InstallForm;

class InputBindingsTest : public ::testing::Test {
 protected:
  InputBindingsTest() : mainWindow(desktop.Render(mainForm)), editorWindow(desktop.Render(editor)) {
    mainForm.Show();
    editor.Show();
    ProcessEvents();
  }

  template <class W>
  W& Widget(FormRenderer& renderer, const Control& control) {
    W* widget = qobject_cast<W*>(renderer.WidgetFor(control));
    EXPECT_NE(widget, nullptr) << control.QualifiedName();
    return *widget;
  }
  Event Log(std::string what) {
    return [this, what] { events.push_back(what); };
  }

  QApplication& application = TestApplication();
  InstallForm mainForm;
  frmAddEdit editor;
  QtDesktop desktop;  // after the forms, which must outlive it
  FormRenderer& mainWindow;
  FormRenderer& editorWindow;
  std::vector<std::string> events;
};

TEST_F(InputBindingsTest, TypedKeysPassKeyPressAndEachChangeOfTheTextRaisesChangeOnce) {
  TextBox& box = mainForm.txtPriority;
  auto& edit = Widget<QLineEdit>(mainWindow, box);
  box.OnKeyPress = [this](int& key) {
    events.push_back(std::string("KeyPress ") + static_cast<char>(key));
    if (key == 'x') key = '9';                                      // replaced
    if ((key < '0' || key > '9') && key != kKeyBackspace) key = 0;  // discarded
  };
  box.OnChange = [this, &box] { events.push_back("Change " + box.Text()); };
  edit.setFocus();
  edit.setCursorPosition(2);  // typing in the middle: "65|520"
  QTest::keyClicks(&edit, "1ax");
  EXPECT_EQ(box.Text(), "6519520");
  EXPECT_EQ(edit.text(), "6519520");
  EXPECT_EQ(events, (std::vector<std::string>{"KeyPress 1", "Change 651520", "KeyPress a",
                                              "KeyPress x", "Change 6519520"}));
  events.clear();
  // A handler that rewrites the text wins over what the person typed.
  box.OnChange = [&box] {
    if (box.Text().size() > 5) box.SetText("65535");
  };
  QTest::keyClick(&edit, Qt::Key_Backspace);
  EXPECT_EQ(box.Text(), "65535");
  EXPECT_EQ(edit.text(), "65535");
}

TEST_F(InputBindingsTest, TheProgramsTextShowsWithoutComingBackAsTyping) {
  int changes = 0;
  editor.txtValue.OnChange = [&] { ++changes; };
  editor.txtValue.SetText("[SPAM]");
  EXPECT_EQ(changes, 1);  // the model's own Change, not a second one from the widget
  EXPECT_EQ(Widget<QLineEdit>(editorWindow, editor.txtValue).text(), "[SPAM]");
  mainForm.txtPwd.SetText("secret");
  auto& password = Widget<QLineEdit>(mainWindow, mainForm.txtPwd);
  EXPECT_EQ(password.echoMode(), QLineEdit::Password);
  EXPECT_TRUE(password.styleSheet().contains("lineedit-password-character: 42"));
  mainForm.txtPwd.SetPasswordChar("");
  EXPECT_EQ(password.echoMode(), QLineEdit::Normal);
}

TEST_F(InputBindingsTest, LeavingABoxRaisesLostFocusOnce) {
  editor.ComboSMTPheaders.OnLostFocus = Log("headers LostFocus");
  editor.txtValue.OnLostFocus = Log("value LostFocus");
  editorWindow.Window()->activateWindow();
  QWidget& headers = *editorWindow.WidgetFor(editor.ComboSMTPheaders);
  QWidget& value = *editorWindow.WidgetFor(editor.txtValue);
  headers.setFocus(Qt::TabFocusReason);
  value.setFocus(Qt::TabFocusReason);
  headers.setFocus(Qt::MouseFocusReason);
  EXPECT_EQ(events, (std::vector<std::string>{"headers LostFocus", "value LostFocus"}));
}

TEST_F(InputBindingsTest, ADropDownListPicksEntriesThroughTheModel) {
  ComboBox& action = editor.ComboAction;
  auto& combo = Widget<QComboBox>(editorWindow, action);
  action.OnClick = [this, &action] { events.push_back("Click " + action.Text()); };
  action.OnKeyPress = [this](int&) { events.push_back("KeyPress"); };
  EXPECT_FALSE(combo.isEditable());
  EXPECT_EQ(combo.count(), 3);
  EXPECT_EQ(combo.currentIndex(), -1);  // Qt would pick the first entry by itself
  combo.setFocus();
  QTest::keyClicks(&combo, "f");
  EXPECT_EQ(action.ListIndex(), 2);
  QTest::keyClick(&combo, Qt::Key_Up);
  EXPECT_EQ(action.ListIndex(), 1);
  EXPECT_EQ(combo.currentIndex(), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"KeyPress", "Click forward to", "Click delete"}));
  events.clear();
  action.SetListIndex(0);  // from code: the model's one Click
  EXPECT_EQ(events, (std::vector<std::string>{"Click move to"}));
  EXPECT_EQ(combo.currentIndex(), 0);
  EXPECT_ANY_THROW(action.SetText("copy to"));  // a text it does not hold
  EXPECT_EQ(combo.currentIndex(), 0);
  action.RemoveItem(0);
  EXPECT_EQ(combo.count(), 2);
  EXPECT_EQ(combo.currentIndex(), -1);
  // Entries added later: Qt would select the first one of an empty list by itself.
  auto& targets = Widget<QComboBox>(editorWindow, editor.ComboTargets);
  editor.ComboTargets.AddItem("http://host/Public/Spam");
  EXPECT_EQ(targets.count(), 1);
  EXPECT_EQ(targets.currentIndex(), -1);
  action.OnDropDown = Log("DropDown");
  events.clear();
  combo.showPopup();
  combo.hidePopup();
  EXPECT_EQ(events, (std::vector<std::string>{"DropDown"}));
}

TEST_F(InputBindingsTest, AnEditableComboTakesTypedTextAndChosenEntries) {
  ComboBox& headers = editor.ComboSMTPheaders;
  for (const char* header : {"From:", "Subject:", "X-Spam-Flag:"}) headers.AddItem(header);
  auto& combo = Widget<QComboBox>(editorWindow, headers);
  headers.OnChange = [this, &headers] { events.push_back("Change " + headers.Text()); };
  headers.OnClick = [this, &headers] { events.push_back("Click " + headers.Text()); };
  headers.OnKeyPress = [](int& key) {
    if (key == ' ') key = 0;
  };
  EXPECT_TRUE(combo.isEditable());
  EXPECT_EQ(combo.completer(), nullptr);
  combo.setFocus();
  QTest::keyClicks(&combo, "X T");
  EXPECT_EQ(headers.Text(), "XT");
  EXPECT_EQ(combo.currentText(), "XT");
  EXPECT_EQ(events, (std::vector<std::string>{"Change X", "Change XT"}));
  events.clear();
  emit combo.activated(1);  // the person picks "Subject:" from the open list
  EXPECT_EQ(headers.ListIndex(), 1);
  EXPECT_EQ(combo.currentText(), "Subject:");
  EXPECT_EQ(events, (std::vector<std::string>{"Click Subject:"}));
  events.clear();
  headers.SetText("Return-Path:");  // from code: selects no entry
  EXPECT_EQ(combo.currentText(), "Return-Path:");
  EXPECT_EQ(events, (std::vector<std::string>{"Change Return-Path:"}));
}

TEST_F(InputBindingsTest, ButtonsOptionsAndLabelsAnswerClicksThroughTheModel) {
  mainForm.btnInstall.OnClick = Log("Install");
  mainForm.Label6.OnClick = Log("Label6");
  editor.Option1.OnClick = Log("Option1");
  editor.Option2.OnClick = Log("Option2");
  auto& install = Widget<QPushButton>(mainWindow, mainForm.btnInstall);
  auto& option1 = Widget<QRadioButton>(editorWindow, editor.Option1);
  auto& option2 = Widget<QRadioButton>(editorWindow, editor.Option2);
  auto& link = Widget<QLabel>(mainWindow, mainForm.Label6);
  QTest::mouseClick(&install, Qt::LeftButton);
  QTest::mouseClick(&option2, Qt::LeftButton);
  QTest::mouseClick(&option2, Qt::LeftButton);  // already selected: nothing
  QTest::mouseClick(&link, Qt::LeftButton);
  EXPECT_EQ(events, (std::vector<std::string>{"Install", "Option2", "Label6"}));
  EXPECT_TRUE(editor.Option2.Value());
  EXPECT_FALSE(editor.Option1.Value());
  EXPECT_TRUE(option2.isChecked());
  EXPECT_FALSE(option1.isChecked());
  EXPECT_TRUE(link.font().underline());
  EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
  events.clear();
  mainForm.Frame1.SetEnabled(false);
  QTest::mouseClick(&install, Qt::LeftButton);
  editor.Option1.SetValue(true);  // from code: the model's one Click
  EXPECT_EQ(events, (std::vector<std::string>{"Option1"}));
  EXPECT_TRUE(option1.isChecked());
  EXPECT_FALSE(option2.isChecked());
}

}  // namespace
}  // namespace quarvel::platform::controls::qt
