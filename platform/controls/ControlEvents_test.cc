// The event table of the simple controls: which changes raise which events,
// and what a person can and cannot do to a control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ErrorOf_test_support.h"
#include "platform/PlatformError.h"
#include "platform/controls/ComboBox.h"
#include "platform/controls/CommandButton.h"
#include "platform/controls/ControlArray.h"
#include "platform/controls/ControlErrors.h"
#include "platform/controls/Form.h"
#include "platform/controls/Frame.h"
#include "platform/controls/ImageList.h"
#include "platform/controls/OptionButton.h"
#include "platform/controls/PictureBox.h"
#include "platform/controls/StatusBar.h"
#include "platform/controls/TextBox.h"

namespace quarvel::platform::controls {
namespace {

// A form with a log of the events its controls raise.
class ControlEventsTest : public ::testing::Test {
 protected:
  std::function<void()> Log(std::string what) {
    return [this, what] { events.push_back(what); };
  }

  Form form{"Form1"};
  std::vector<std::string> events;
};

// ---------------------------------------------------------------------------
// Text box

TEST_F(ControlEventsTest, TextBoxRaisesChangeOnlyWhenTheTextChanges) {
  TextBox box("Text1");
  form.Add(box);
  box.OnChange = Log("Change");
  box.SetText("65520");
  box.SetText("65520");
  box.SetText("");
  box.SetText("");
  EXPECT_EQ(events, (std::vector<std::string>{"Change", "Change"}));
}

TEST_F(ControlEventsTest, TypedKeysPassKeyPressWhichMayDiscardOrReplaceThem) {
  TextBox box("txtPriority");
  form.Add(box);
  box.SetText("65");
  int changes = 0;
  box.OnChange = [&] { ++changes; };
  box.OnKeyPress = [](int& key) {
    if (key == 'x')
      key = '9';  // replaced
    else if ((key < '0' || key > '9') && key != kKeyBackspace)
      key = 0;  // discarded
  };
  EXPECT_TRUE(box.UserType("a1x"));
  EXPECT_EQ(box.Text(), "6519");
  box.UserKeyPress(kKeyBackspace);
  EXPECT_EQ(box.Text(), "651");
  EXPECT_EQ(changes, 3);  // '1', 'x' as '9', backspace; 'a' changed nothing
}

TEST_F(ControlEventsTest, PastingReplacesTheTextWithOneChangeAndNoKeyPress) {
  TextBox box("txtPriority");
  form.Add(box);
  box.SetText("65520");
  box.OnKeyPress = [&](int&) { events.push_back("KeyPress"); };
  box.OnChange = Log("Change");
  box.UserPaste("70000");
  EXPECT_EQ(box.Text(), "70000");
  EXPECT_EQ(events, (std::vector<std::string>{"Change"}));
}

TEST_F(ControlEventsTest, APreviewedKeyPassesKeyPressOnlyAndLeavesTheTextToTheWidget) {
  TextBox box("txtPriority"), hidden("txtPrevUrl");
  ComboBox combo("ComboSMTPheaders", ComboStyle::kDropDownCombo);
  ComboBox list("ComboAction", ComboStyle::kDropDownList);
  form.Add(box);
  form.Add(hidden);
  form.Add(combo);
  form.Add(list);
  hidden.SetVisible(false);
  box.SetText("65");
  const KeyPressEvent digitsOnly = [&](int& key) {
    events.push_back("KeyPress");
    if (key == 'x') key = '9';
    if (key < '0' || key > '9') key = 0;
  };
  box.OnKeyPress = hidden.OnKeyPress = combo.OnKeyPress = list.OnKeyPress = digitsOnly;
  box.OnChange = Log("Change");
  EXPECT_EQ(box.UserPreviewKey('1'), '1');
  EXPECT_EQ(box.UserPreviewKey('x'), '9');
  EXPECT_EQ(box.UserPreviewKey('a'), 0);
  EXPECT_EQ(box.Text(), "65");  // the widget applies the key, then pastes
  EXPECT_EQ(hidden.UserPreviewKey('1'), 0);
  EXPECT_EQ(combo.UserPreviewKey('x'), '9');
  EXPECT_EQ(list.UserPreviewKey('1'), 0);  // a list picks entries through UserType
  EXPECT_EQ(events, (std::vector<std::string>{"KeyPress", "KeyPress", "KeyPress", "KeyPress"}));
}

TEST_F(ControlEventsTest, LockedTextBoxRaisesKeyPressButKeepsItsText) {
  TextBox box("Text3");
  form.Add(box);
  box.SetText("SCL value is ");
  box.SetLocked(true);
  box.OnKeyPress = [&](int&) { events.push_back("KeyPress"); };
  box.OnChange = Log("Change");
  box.UserType("ab");
  EXPECT_FALSE(box.UserPaste("x"));
  EXPECT_EQ(box.Text(), "SCL value is ");
  EXPECT_EQ(events, (std::vector<std::string>{"KeyPress", "KeyPress"}));
  box.SetText("changed by the program");  // locked only for a person
  EXPECT_EQ(box.Text(), "changed by the program");
}

TEST_F(ControlEventsTest, ReturnStartsALineOnlyInAMultiLineBoxAndBackspaceTakesACharacter) {
  TextBox single("Text1"), multi("txtErr");
  form.Add(single);
  form.Add(multi);
  multi.SetMultiLine(true);
  single.UserType("a\nb");
  multi.UserType("a\nb");
  EXPECT_EQ(single.Text(), "ab");
  EXPECT_EQ(multi.Text(), "a\r\nb");
  single.SetText("Grüße");
  single.UserKeyPress(kKeyBackspace);
  EXPECT_EQ(single.Text(), "Grüß");  // a character, not a byte
}

TEST_F(ControlEventsTest, LeavingATextBoxRaisesLostFocus) {
  TextBox box("Text1");
  form.Add(box);
  box.OnLostFocus = Log("LostFocus");
  box.UserLeave();
  EXPECT_EQ(events, (std::vector<std::string>{"LostFocus"}));
}

// ---------------------------------------------------------------------------
// Combo box

class ComboTest : public ControlEventsTest {
 protected:
  ComboTest() {
    form.Add(list);
    form.Add(editable);
    for (const char* entry : {"less than", "equal to", "greater than"}) {
      list.AddItem(entry);
      editable.AddItem(entry);
    }
    for (ComboBox* combo : {&list, &editable}) {
      const std::string name = combo->Name();
      combo->OnClick = Log(name + " Click");
      combo->OnChange = Log(name + " Change");
    }
  }

  ComboBox list{"ComboSCL1", ComboStyle::kDropDownList};
  ComboBox editable{"ComboSMTPheaders", ComboStyle::kDropDownCombo};
};

TEST_F(ComboTest, SettingListIndexSelectsTheEntryAndRaisesClickOnly) {
  for (ComboBox* combo : {&list, &editable}) {
    events.clear();
    combo->SetListIndex(1);
    EXPECT_EQ(combo->Text(), "equal to");
    combo->SetListIndex(-1);
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(events,
              (std::vector<std::string>{combo->Name() + " Click", combo->Name() + " Click"}));
    EXPECT_EQ(ErrorOf([&] { combo->SetListIndex(3); }), kErrInvalidPropertyValue);
    EXPECT_EQ(ErrorOf([&] { combo->SetListIndex(-2); }), kErrInvalidPropertyValue);
  }
}

TEST_F(ComboTest, DropDownListTakesAHeldTextIgnoringCaseAndRaisesClick) {
  list.SetText("GREATER THAN");
  EXPECT_EQ(list.ListIndex(), 2);
  EXPECT_EQ(list.Text(), "greater than");  // the entry's own spelling
  EXPECT_EQ(events, (std::vector<std::string>{"ComboSCL1 Click"}));
}

TEST_F(ComboTest, DropDownListRefusesATextItLacksAndKeepsItsSelection) {
  list.SetListIndex(1);
  events.clear();
  EXPECT_EQ(ErrorOf([&] { list.SetText("between"); }), kErrTextReadOnly);
  EXPECT_EQ(ErrorOf([&] { list.SetText(""); }), kErrTextReadOnly);
  EXPECT_EQ(list.ListIndex(), 1);
  EXPECT_EQ(list.Text(), "equal to");
  EXPECT_TRUE(events.empty());
}

TEST_F(ComboTest, EditableComboTextSelectsNoEntryAndRaisesChangeOnlyWhenItChanges) {
  editable.SetListIndex(0);
  events.clear();
  editable.SetText("equal to");  // held in the list, still no entry selected
  EXPECT_EQ(editable.ListIndex(), -1);
  editable.SetText("equal to");
  editable.SetText("X-Test");
  EXPECT_EQ(editable.ListIndex(), -1);
  EXPECT_EQ(events,
            (std::vector<std::string>{"ComboSMTPheaders Change", "ComboSMTPheaders Change"}));
}

TEST_F(ComboTest, APersonChoosingAnEntryRaisesClickOnce) {
  EXPECT_TRUE(editable.UserSelect(2));
  EXPECT_EQ(editable.Text(), "greater than");
  EXPECT_FALSE(editable.UserSelect(3));
  EXPECT_EQ(events, (std::vector<std::string>{"ComboSMTPheaders Click"}));
}

TEST_F(ComboTest, TypingEditsAnEditableComboAndPicksByFirstLetterInAList) {
  editable.SetListIndex(0);
  events.clear();
  editable.UserType("ab");
  EXPECT_EQ(editable.Text(), "less thanab");
  EXPECT_EQ(editable.ListIndex(), -1);
  list.UserType("g");
  EXPECT_EQ(list.Text(), "greater than");
  list.UserType("e");
  EXPECT_EQ(list.Text(), "equal to");
  EXPECT_EQ(events, (std::vector<std::string>{"ComboSMTPheaders Change", "ComboSMTPheaders Change",
                                              "ComboSCL1 Click", "ComboSCL1 Click"}));
}

TEST_F(ComboTest, ListChangesKeepTheSelectedEntryOrDropItWithTheEntry) {
  list.SetListIndex(1);
  list.AddItem("first", 0);
  EXPECT_EQ(list.ListIndex(), 2);
  EXPECT_EQ(list.Text(), "equal to");
  list.RemoveItem(0);
  EXPECT_EQ(list.ListIndex(), 1);
  list.RemoveItem(1);
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_EQ(list.Text(), "");
  editable.SetText("typed");
  events.clear();
  editable.Clear();
  EXPECT_EQ(editable.ListCount(), 0);
  EXPECT_EQ(editable.Text(), "");
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(ErrorOf([&] { editable.AddItem("x", 2); }), kErrInvalidCall);
}

TEST_F(ComboTest, OpeningTheListAndLeavingRaiseTheirEvents) {
  list.OnDropDown = Log("DropDown");
  list.OnLostFocus = Log("LostFocus");
  list.UserOpenDropDown();
  list.UserLeave();
  list.SetEnabled(false);
  EXPECT_FALSE(list.UserOpenDropDown());
  EXPECT_EQ(events, (std::vector<std::string>{"DropDown", "LostFocus"}));
}

// ---------------------------------------------------------------------------
// Option buttons, buttons and frames

TEST_F(ControlEventsTest, SelectingAnOptionClearsItsGroupAndRaisesClickOnIt) {
  OptionButton option1("Option1"), option2("Option2"), other("Option3");
  Frame frame("Frame1");
  form.Add(option1);
  form.Add(option2);
  form.Add(frame);
  frame.Add(other);
  option1.SetValue(true);
  other.SetValue(true);
  option1.OnClick = Log("Option1 Click");
  option2.OnClick = Log("Option2 Click");

  option2.SetValue(true);  // from code
  EXPECT_TRUE(option2.Value());
  EXPECT_FALSE(option1.Value());
  EXPECT_TRUE(other.Value());  // another container, another group
  option2.SetValue(true);      // already selected
  option1.UserClick();
  EXPECT_FALSE(option2.Value());
  option1.SetValue(false);  // clearing raises nothing
  EXPECT_EQ(events, (std::vector<std::string>{"Option2 Click", "Option1 Click"}));
}

TEST_F(ControlEventsTest, ADisabledOrHiddenFrameStopsAPersonButKeepsTheChildrensOwnState) {
  Frame frame("Frame1");
  CommandButton button("btnInstall");
  form.Add(frame);
  frame.Add(button);
  button.OnClick = Log("Click");

  frame.SetEnabled(false);
  EXPECT_TRUE(button.Enabled());
  EXPECT_FALSE(button.IsEffectivelyEnabled());
  EXPECT_FALSE(button.UserClick());
  frame.SetEnabled(true);
  frame.SetVisible(false);
  EXPECT_FALSE(button.IsEffectivelyVisible());
  EXPECT_FALSE(button.UserClick());
  frame.SetVisible(true);
  EXPECT_TRUE(button.UserClick());
  button.SetEnabled(false);
  EXPECT_FALSE(button.UserClick());
  EXPECT_EQ(events, (std::vector<std::string>{"Click"}));
}

TEST_F(ControlEventsTest, ControlArraysShareANameAndFormsRefuseANameTwice) {
  ControlArray<TextBox> text1("Text1", 7);
  for (TextBox& box : text1) form.Add(box);
  EXPECT_EQ(text1(6).QualifiedName(), "Text1(6)");
  EXPECT_EQ(form.FindControl("Text1", 3), &text1(3));
  EXPECT_EQ(form.FindControl("Text1"), nullptr);
  EXPECT_EQ(ErrorOf([&] { (void)text1(7); }), kErrIndexOutOfBounds);

  TextBox again("Text1", 3);
  EXPECT_EQ(ErrorOf([&] { form.Add(again); }), kErrControlAlreadyLoaded);
  EXPECT_EQ(ErrorOf([&] { form.Add(text1(0)); }), kErrControlAlreadyLoaded);
  Frame loose("Frame9");
  TextBox inside("Text9");
  EXPECT_EQ(ErrorOf([&] { loose.Add(inside); }), kErrInvalidCall);  // frame not on a form yet
  {
    TextBox shortLived("Text8");
    form.Add(shortLived);
  }
  EXPECT_EQ(form.FindControl("Text8"), nullptr);
}

// ---------------------------------------------------------------------------
// Status bar, picture box, image list

TEST_F(ControlEventsTest, StatusBarPanelsByKeyWithASpringPanelFillingTheRest) {
  StatusBar bar("StatusBar1");
  form.Add(bar).Move(0, 0, 9000, 330);
  bar.Panels().Add("statuspict", "", 450);
  bar.Panels().Add("statustext", "", 1000, true);
  bar.Panels().Add("progress", "", 2400);
  EXPECT_EQ(bar.Panels()("statustext").Width(), 9000 - 450 - 2400);
  EXPECT_EQ(bar.Panels()("progress").Left(), 9000 - 2400);
  EXPECT_EQ(bar.Panels()(3).Key(), "progress");
  bar.SetWidth(3000);  // too narrow: the spring keeps its minimum
  EXPECT_EQ(bar.Panels()("statustext").Width(), 1000);
  EXPECT_EQ(ErrorOf([&] { bar.Panels().Add("progress"); }), kErrKeyNotUnique);
  EXPECT_EQ(ErrorOf([&] { (void)bar.Panels()("light"); }), kErrElementNotFound);
}

TEST_F(ControlEventsTest, PictureBoxKeepsWhatWasDrawnWithinItsScale) {
  PictureBox picture("Picture1");
  form.Add(picture).Move(0, 0, 2400, 330);
  picture.SetScaleWidth(8);
  picture.PrintCentred("38%");
  picture.FillFromLeft(3);
  EXPECT_DOUBLE_EQ(picture.FilledFraction(), 3.0 / 8);
  picture.FillFromLeft(9);
  EXPECT_DOUBLE_EQ(picture.FilledFraction(), 1.0);
  picture.FillFromLeft(-1);
  EXPECT_DOUBLE_EQ(picture.FilledTo(), 0.0);
  picture.Cls();
  EXPECT_EQ(picture.PrintedText(), "");
  EXPECT_EQ(picture.ClearCount(), 1);
  EXPECT_EQ(ErrorOf([&] { picture.SetScaleWidth(0); }), kErrInvalidPropertyValue);
}

TEST_F(ControlEventsTest, ImageListKeysAreUniqueAndNumberedFromOne) {
  ImageList images("ImageList2");
  EXPECT_EQ(images.Add("pf"), 1);
  EXPECT_EQ(images.Add("checked"), 2);
  EXPECT_EQ(images.IndexOf("checked"), 2);
  EXPECT_EQ(images.IndexOf("Checked"), 0);
  EXPECT_EQ(ErrorOf([&] { images.Add("pf"); }), kErrKeyNotUnique);
  EXPECT_FALSE(images.Visible());
}

}  // namespace
}  // namespace quarvel::platform::controls
