// Forms: life cycle, unload refusal, modal Show, and the observer that keeps
// a renderer in step.
#include "platform/controls/Form.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ErrorOf_test_support.h"
#include "platform/PlatformError.h"
#include "platform/controls/CommandButton.h"
#include "platform/controls/ControlErrors.h"
#include "platform/controls/ListView.h"
#include "platform/controls/PictureBox.h"
#include "platform/controls/ScriptedWindowServices_test_support.h"
#include "platform/controls/TextBox.h"

namespace quarvel::platform::controls {
namespace {

class FormTest : public ::testing::Test {
 protected:
  FormTest() {
    for (Form* form : {&main, &dialog}) {
      form->SetServices(&services);
      const std::string name = form->Name();
      form->OnLoad = [this, name] { events.push_back(name + " Load"); };
      form->OnActivate = [this, name] { events.push_back(name + " Activate"); };
      form->OnDeactivate = [this, name] { events.push_back(name + " Deactivate"); };
      form->OnUnload = [this, name] { events.push_back(name + " Unload"); };
    }
    dialog.Add(ok);
    ok.OnClick = [this] { dialog.Hide(); };
  }

  ScriptedWindowServices services;
  Form main{"InstallForm"};
  Form dialog{"frmAddEdit"};
  CommandButton ok{"cmdOK"};
  std::vector<std::string> events;
};

TEST_F(FormTest, ShowLoadsOnceAndActivatesHideDeactivates) {
  main.Load();
  main.Show();
  main.Show();
  main.Hide();
  EXPECT_EQ(events, (std::vector<std::string>{"InstallForm Load", "InstallForm Activate",
                                              "InstallForm Deactivate"}));
  EXPECT_TRUE(main.IsLoaded());
  EXPECT_FALSE(main.Visible());
}

TEST_F(FormTest, QueryUnloadMayRefuseAndIsToldWhoAsked) {
  main.Show();
  std::vector<UnloadMode> modes;
  main.OnQueryUnload = [&](bool& cancel, UnloadMode mode) {
    modes.push_back(mode);
    cancel = mode == UnloadMode::kCloseBox;
  };
  events.clear();
  EXPECT_FALSE(main.UserClose());
  EXPECT_TRUE(main.IsLoaded());
  EXPECT_TRUE(main.Visible());
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(main.Unload());
  EXPECT_FALSE(main.IsLoaded());
  EXPECT_FALSE(main.Visible());
  EXPECT_EQ(modes, (std::vector<UnloadMode>{UnloadMode::kCloseBox, UnloadMode::kCode}));
  EXPECT_EQ(events, (std::vector<std::string>{"InstallForm Unload"}));
  EXPECT_TRUE(main.Unload());  // not loaded: nothing to ask
  EXPECT_EQ(modes.size(), 2u);
}

TEST_F(FormTest, ModalShowReturnsWhenTheDialogIsHiddenAndReactivatesItsOwner) {
  main.Show();
  services.onModal = [&](Form& form) {
    EXPECT_EQ(&form, &dialog);
    EXPECT_TRUE(dialog.IsShownModally());
    events.push_back("person clicks OK");
    ok.UserClick();
  };
  events.clear();
  dialog.Show(ShowMode::kModal, &main);
  events.push_back("Show returned");
  EXPECT_EQ(events, (std::vector<std::string>{"frmAddEdit Load", "InstallForm Deactivate",
                                              "frmAddEdit Activate", "person clicks OK",
                                              "frmAddEdit Deactivate", "InstallForm Activate",
                                              "Show returned"}));
  EXPECT_FALSE(dialog.IsShownModally());
  EXPECT_TRUE(dialog.IsLoaded());
}

TEST_F(FormTest, ModalShowEndsWhenTheDialogIsUnloaded) {
  services.onModal = [](Form& form) { form.UserClose(); };
  dialog.Show(ShowMode::kModal);
  EXPECT_FALSE(dialog.IsLoaded());
}

TEST_F(FormTest, ADialogLeftOpenOrShownTwiceOrWithoutServicesIsAnError) {
  EXPECT_THROW(dialog.Show(ShowMode::kModal), std::logic_error);  // the script left it open
  EXPECT_EQ(ErrorOf([&] { dialog.Show(ShowMode::kModal); }), kErrFormAlreadyDisplayed);
  Form bare("Form2");
  EXPECT_EQ(ErrorOf([&] { bare.Show(ShowMode::kModal); }), kErrInvalidCall);
  EXPECT_FALSE(bare.IsLoaded());
}

TEST(ScriptedWindowServicesTest, AnswersFromTheQueueThenWithTheDefaultButton) {
  ScriptedWindowServices services;
  services.answers.push_back(MsgBoxResult::kYes);
  auto ask = [&] {
    return services.MessageBox("Are you sure?", MsgBoxButtons::kYesNo, MsgBoxIcon::kExclamation,
                               MsgBoxDefault::kButton2, "Quarvel");
  };
  EXPECT_EQ(ask(), MsgBoxResult::kYes);
  EXPECT_EQ(ask(), MsgBoxResult::kNo);
  ASSERT_EQ(services.messageBoxes.size(), 2u);
  EXPECT_EQ(services.messageBoxes[1].caption, "Quarvel");
  EXPECT_EQ(ScriptedWindowServices::DefaultAnswer(MsgBoxButtons::kOkOnly, MsgBoxDefault::kButton3),
            MsgBoxResult::kOk);
}

// ---------------------------------------------------------------------------
// Observer

struct Seen {
  std::string control;
  ChangeKind kind;
  int index;
  friend bool operator==(const Seen&, const Seen&) = default;
  friend void PrintTo(const Seen& s, std::ostream* os) {
    *os << s.control << " " << static_cast<int>(s.kind) << " " << s.index;
  }
};

class Recorder : public ControlObserver {
 public:
  void ControlChanged(Control& control, const ControlChange& change) override {
    seen.push_back({control.QualifiedName(), change.kind, change.index});
  }
  std::vector<Seen> seen;
};

TEST(ControlObserverTest, SeesEveryChangeOnceAndNothingForUnchangedValues) {
  Form form("InstallForm");
  TextBox text("txtPriority");
  ListView list("ListView2");
  PictureBox picture("Picture1");
  form.Add(text);
  form.Add(list);
  form.Add(picture);
  text.SetText("1");  // before an observer: nobody to tell
  Recorder recorder;
  form.SetObserver(&recorder);

  text.SetText("1");
  text.SetText("2");
  text.Move(0, 0, 900, 315);
  list.ListItems().Add(0, "", "b");
  list.ListItems().Add(0, "", "a").SetChecked(true);
  list.SetSorted(true);
  list.ListItems()(1).SetSelected(true);
  picture.FillFromLeft(1);
  form.SetCaption("Quarvel setup");
  list.ListItems().Remove(1);

  using K = ChangeKind;
  EXPECT_EQ(recorder.seen, (std::vector<Seen>{
                               {"txtPriority", K::kProperty, 0},
                               {"txtPriority", K::kProperty, 0},
                               {"ListView2", K::kItemAdded, 1},
                               {"ListView2", K::kItemAdded, 2},
                               {"ListView2", K::kItemChanged, 2},
                               {"ListView2", K::kProperty, 0},
                               {"ListView2", K::kItemsReordered, 0},
                               {"ListView2", K::kItemChanged, 1},
                               {"ListView2", K::kSelection, 1},
                               {"Picture1", K::kDrawing, 0},
                               {"InstallForm", K::kProperty, 0},
                               {"ListView2", K::kSelection, 0},
                               {"ListView2", K::kItemRemoved, 1},
                           }));
}

}  // namespace
}  // namespace quarvel::platform::controls
