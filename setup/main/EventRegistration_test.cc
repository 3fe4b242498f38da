// Registration through the main window on the sample store: the store-wide
// button with its question, batch mode's pass with and without the
// store-wide item, folder rows a person checks and clears, Check All, and
// Change creating and removing items, also when the store fails a write.
#include "setup/main/EventRegistration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/controls/ListItem.h"
#include "setup/main/RegistrationHarness_test_support.h"

namespace quarvel::setup {
namespace {

using namespace platform::controls;
using platform::store::ProviderCall;
using testing::FolderRow;
using testing::FolderUrl;
using testing::StoreWideItem;

class RegistrationTest : public testing::RegistrationHarness {
 protected:
  bool StoreWideItemExists() { return Store().ItemExists(StoreWideItem()); }
  // Every row that registration owns, as (path, mark).
  std::vector<std::pair<std::string, std::string>> Marks() {
    std::vector<std::pair<std::string, std::string>> marks;
    for (const FolderRow& row : Rows()) marks.emplace_back(row.path, row.mark);
    return marks;
  }
  void RunBatch() {
    platform_.WriteComponentFile();
    program_ = platform_.MakeProgram("-b");
    program_->Load();
    program_->Activate();
    ASSERT_TRUE(program_->IsClosed());
  }
};

TEST(RegistrationUrlTest, JoinsOnlyThePartsThatAreThere) {
  EXPECT_EQ(RegistrationUrl("http://h/Public/A", "", "Quarvel.reg"),
            "http://h/Public/A/Quarvel.reg");
  EXPECT_EQ(RegistrationUrl("http://h/Public/non_ipm_subtree", "StoreEvents{X}/GlobalEvents",
                            "Quarvel.reg"),
            "http://h/Public/non_ipm_subtree/StoreEvents{X}/GlobalEvents/Quarvel.reg");
  EXPECT_EQ(RegistrationUrl("http://h/Public/A", "B", ""), "http://h/Public/A/B");
}

TEST_F(RegistrationTest, StoreWideRegisterAsksAPersonThenWritesTheItemAndRemarksTheRows) {
  SeedFolderItem({"Sales"});
  WriteRules({FolderUrl("Junk Mail")});
  Show();
  // The priority is fixed at installation.
  Form().txtPriority.UserPaste("300");
  ASSERT_TRUE(Form().btnInstall.UserClick());
  ASSERT_EQ(Form().btnRegisterSW.Caption(), "Register");

  platform_.Services().answers.push_back(MsgBoxResult::kNo);
  ASSERT_TRUE(Form().btnRegisterSW.UserClick());
  ASSERT_EQ(platform_.Services().messageBoxes.size(), 1u);
  EXPECT_EQ(platform_.Services().messageBoxes[0].text,
            "Are you sure you wish to register store-wide?");
  EXPECT_FALSE(StoreWideItemExists()) << "No changed nothing";

  platform_.Services().answers.push_back(MsgBoxResult::kYes);
  ASSERT_TRUE(Form().btnRegisterSW.UserClick());
  ASSERT_TRUE(StoreWideItemExists());
  const std::pair<const char*, std::string> fields[] = {
      {kFieldContentClass, "urn:content-class:storeeventreg"},
      {kPropEventMethod, "onsyncsave"},
      {kPropSinkClass, "Quarvel.QuarvelCls"},
      {kPropMatchScope, "ANY"},
      {kPropCriteria, " WHERE \"DAV:ishidden\" = FALSE"},
      {kPropPriority, "300"},
      {kFieldIsHidden, "True"},
  };
  for (const auto& [name, value] : fields) {
    EXPECT_EQ(Property(StoreWideItem(), name), value) << name;
  }
  EXPECT_EQ(Form().btnRegisterSW.Caption(), "Unregister");
  EXPECT_EQ(Form().Frame2.Caption(), "Mail-enabled Public Folders");
  EXPECT_TRUE(FolderItemExists({"Sales"})) << "per-folder items stay in the store";
  for (const FolderRow& row : Rows()) {
    const std::string want = row.path == "Board Room"  ? "accessdenied"
                             : row.path == "Junk Mail" ? "targetpf"
                                                       : "pf";
    EXPECT_EQ(row, (FolderRow{row.path, want})) << row.path;
  }
  // Store-wide, rows cannot be flipped.
  EXPECT_TRUE(Click("Inbox"));
  EXPECT_EQ(Seen("Inbox"), (FolderRow{"Inbox", "pf"}));
  EXPECT_EQ(Log(), "");
}

TEST_F(RegistrationTest, UnregisterOnlyDeletesAndEachRowShowsItsFolderAgain) {
  SeedItem(StoreWideItem());
  SeedFolderItem({"Sales"});
  WriteRules({FolderUrl("Junk Mail")});
  ShowInstalled();
  ASSERT_EQ(Form().btnRegisterSW.Caption(), "Unregister");
  ASSERT_TRUE(Form().btnRegisterSW.UserClick());
  EXPECT_TRUE(platform_.Services().messageBoxes.empty()) << "only registering asks";
  EXPECT_FALSE(StoreWideItemExists());
  EXPECT_EQ(Form().btnRegisterSW.Caption(), "Register");
  EXPECT_EQ(Form().Frame2.Caption(), "Per-folder registration");
  EXPECT_EQ(Form().Label1.Caption(),
            "Quarvel application can be registered for all public folders.");
  EXPECT_EQ(Form().ListView1.BorderStyle(), ListBorderStyle::kSunken3D);
  for (const FolderRow& row : Rows()) {
    const FolderRow want = row.path == "Board Room"  ? FolderRow{row.path, "accessdenied"}
                           : row.path == "Junk Mail" ? FolderRow{row.path, "targetpf"}
                           : row.path == "Sales"     ? FolderRow{row.path, "checked", true}
                                                     : FolderRow{row.path, "unchecked"};
    EXPECT_EQ(row, want);
  }
  EXPECT_EQ(Log(), "");
}

TEST_F(RegistrationTest, BatchModeReplacesTheStoreWideItemWithTheCurrentPriority) {
  SeedItem(StoreWideItem(), 7);
  RunBatch();
  EXPECT_EQ(Property(StoreWideItem(), kPropPriority), "65520");
  EXPECT_EQ(program_->Log().EntriesWritten(), 0);
  EXPECT_TRUE(platform_.Services().messageBoxes.empty());
}

TEST_F(RegistrationTest, BatchModeWithAFailingStoreWideWriteKeepsTheOldItemAndReportsIt) {
  SeedItem(StoreWideItem(), 7);
  // Its fields refused, or its transaction unable to commit.
  const std::pair<ProviderCall, const char*> failures[] = {
      {ProviderCall::kFieldsUpdate, "GlobalEvents"}, {ProviderCall::kCommitTrans, ""}};
  for (const auto& [call, url] : failures) {
    SCOPED_TRACE(static_cast<int>(call));
    platform_.FailStoreCall(call, 0, url);
    RunBatch();
    EXPECT_TRUE(StoreWideItemExists());
    EXPECT_EQ(Property(StoreWideItem(), kPropPriority), "7") << "the old item was touched";
    EXPECT_EQ(program_->Log().EntriesWritten(), 1) << "the exit would be clean";
    EXPECT_NE(Log().find("GlobalEvents/Quarvel.reg - ERROR: "), std::string::npos) << Log();
  }
}

TEST_F(RegistrationTest, BatchModeWithoutTheStoreWideItemChangesNothing) {
  SeedFolderItem({"Sales"});
  RunBatch();
  EXPECT_FALSE(StoreWideItemExists());
  EXPECT_TRUE(FolderItemExists({"Sales"}));
  EXPECT_FALSE(FolderItemExists({"Inbox"}));
  EXPECT_EQ(program_->Log().EntriesWritten(), 0);
}

TEST_F(RegistrationTest, ChangeCreatesAndRemovesThePendingRowsOnly) {
  SeedFolderItem({"Sales"});
  ShowInstalled();
  EXPECT_FALSE(Form().btnChange.Enabled());
  EXPECT_TRUE(Click("Inbox"));
  EXPECT_TRUE(Click("Sales", /*onCheckBox=*/true));
  EXPECT_EQ(Seen("Inbox"), (FolderRow{"Inbox", "checked", true, true}));
  EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", "unchecked", false, true}));
  EXPECT_TRUE(Form().btnChange.Enabled());
  // Targets and access-denied rows never flip.
  EXPECT_TRUE(Click("Board Room"));
  EXPECT_EQ(Seen("Board Room"), (FolderRow{"Board Room", "accessdenied"}));

  // Another tool registered Leads meanwhile; it is not pending, so it stays.
  SeedFolderItem({"Sales", "Leads"});
  ASSERT_TRUE(Form().btnChange.UserClick());
  EXPECT_TRUE(FolderItemExists({"Inbox"}));
  EXPECT_FALSE(FolderItemExists({"Sales"}));
  EXPECT_TRUE(FolderItemExists({"Sales", "Leads"}));
  EXPECT_EQ(Property(testing::StorePathOf({"Inbox", kRegistrationItemName}), kPropMatchScope),
            "SHALLOW");
  EXPECT_EQ(Seen("Inbox"), (FolderRow{"Inbox", "checked", true, false}));
  EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", "unchecked", false, false}));
  EXPECT_TRUE(Form().btnChange.Enabled()) << "stays enabled until the next refresh";
  EXPECT_EQ(Log(), "");
}

TEST_F(RegistrationTest, AFailedCreationEndsRedAndUncheckedAndTheNextPassCleansUp) {
  // Inbox's fields refused, or its transaction unable to commit (the first
  // commit is Inbox's, the list being sorted by path).
  const std::pair<ProviderCall, const char*> failures[] = {{ProviderCall::kFieldsUpdate, "/Inbox/"},
                                                           {ProviderCall::kCommitTrans, ""}};
  for (const auto& [call, url] : failures) {
    SCOPED_TRACE(static_cast<int>(call));
    if (program_ == nullptr) {
      ShowInstalled();
    } else {
      Show();  // installed the first time round
    }
    ASSERT_TRUE(Click("Inbox"));
    ASSERT_TRUE(Click("Sales"));
    platform_.FailStoreCall(call, 1, url);
    ASSERT_TRUE(Form().btnChange.UserClick());
    EXPECT_EQ(Seen("Inbox"), (FolderRow{"Inbox", "unchecked", false, true}));
    EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", "checked", true, false}));
    EXPECT_FALSE(FolderItemExists({"Inbox"})) << "the transaction was not rolled back";
    EXPECT_TRUE(FolderItemExists({"Sales"}));
    EXPECT_NE(Log().find(FolderUrl("Inbox/Quarvel.reg") + " - ERROR: "), std::string::npos)
        << Log();
    EXPECT_EQ(Log().find(FolderUrl("Sales/Quarvel.reg")), std::string::npos) << Log();
    EXPECT_TRUE(Form().txtErr.Visible());
    EXPECT_TRUE(Form().Command3.Visible());

    // The second pass removes what is not there: clean, black, no entry.
    ASSERT_TRUE(Form().btnChange.UserClick());
    EXPECT_EQ(Seen("Inbox"), (FolderRow{"Inbox", "unchecked", false, false}));
    EXPECT_EQ(Log(), "");

    // Closed, nothing of a failed creation is left behind either.
    ASSERT_TRUE(Form().Command2.UserClick());
    EXPECT_FALSE(FolderItemExists({"Inbox"}));
    EXPECT_TRUE(FolderItemExists({"Sales"}));
    Store().DeleteItem(testing::StorePathOf({"Sales", kRegistrationItemName}));
  }
}

TEST_F(RegistrationTest, AFailedRemovalStaysRedWhileTheItemIsThere) {
  SeedFolderItem({"Sales"});
  ShowInstalled();
  ASSERT_TRUE(Click("Sales"));
  platform_.FailStoreCall(ProviderCall::kDeleteRecord, 0, "/Sales/");
  ASSERT_TRUE(Form().btnChange.UserClick());
  EXPECT_TRUE(FolderItemExists({"Sales"}));
  EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", "unchecked", false, true}));
  EXPECT_EQ(Log(), "") << "the existence check found it, and that is no error";

  // The store refuses even to look: that is reported.
  platform_.FailStoreCall(ProviderCall::kOpenRecord, 0, "/Sales");
  ASSERT_TRUE(Form().btnChange.UserClick());
  EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", "unchecked", false, true}));
  EXPECT_NE(Log().find(FolderUrl("Sales/Quarvel.reg") + " - ERROR: "), std::string::npos) << Log();

  platform_.FailStoreCall(ProviderCall::kNone, 1);
  ASSERT_TRUE(Form().btnChange.UserClick());
  EXPECT_FALSE(FolderItemExists({"Sales"}));
  EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", "unchecked", false, false}));
}

TEST_F(RegistrationTest, CheckAllMarksOrClearsEachRowOnce) {
  SeedFolderItem({"Sales"});
  WriteRules({FolderUrl("Junk Mail")});
  ShowInstalled();
  // Installed after start-up, the button still reads as it did without the
  // application: its first press clears.
  ASSERT_EQ(Form().cmdCheckAll.Caption(), "Uncheck All");
  ASSERT_TRUE(Form().cmdCheckAll.UserClick());
  EXPECT_EQ(Form().cmdCheckAll.Caption(), "Check All");
  EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", "unchecked", false, true}));
  EXPECT_EQ(Seen("Inbox"), (FolderRow{"Inbox", "unchecked"}));

  ASSERT_TRUE(Form().cmdCheckAll.UserClick());
  EXPECT_EQ(Form().cmdCheckAll.Caption(), "Uncheck All");
  for (const FolderRow& row : Rows()) {
    const FolderRow want = row.path == "Board Room"  ? FolderRow{row.path, "accessdenied"}
                           : row.path == "Junk Mail" ? FolderRow{row.path, "targetpf"}
                                                     : FolderRow{row.path, "checked", true, true};
    EXPECT_EQ(row, want);
  }
  ASSERT_TRUE(Form().btnChange.UserClick());
  EXPECT_TRUE(FolderItemExists({"Customers", "Europe"}));
  EXPECT_FALSE(FolderItemExists({"Junk Mail"}));

  ASSERT_TRUE(Form().cmdCheckAll.UserClick());
  for (const FolderRow& row : Rows()) {
    if (row.mark == "accessdenied" || row.mark == "targetpf") continue;
    EXPECT_EQ(row, (FolderRow{row.path, "unchecked", false, true}));
  }
  ASSERT_TRUE(Form().btnChange.UserClick());
  EXPECT_FALSE(FolderItemExists({"Sales"}));
  EXPECT_FALSE(FolderItemExists({"Customers", "Europe"}));
  EXPECT_EQ(Log(), "");
}

TEST_F(RegistrationTest, WithoutTheApplicationRowsCanOnlyBeCleared) {
  SeedFolderItem({"Sales"});
  Show();
  ASSERT_EQ(Form().btnInstall.Caption(), "Install");
  EXPECT_TRUE(Click("Inbox"));
  EXPECT_EQ(Seen("Inbox"), (FolderRow{"Inbox", "unchecked"}));
  EXPECT_FALSE(Form().btnChange.Enabled());
  EXPECT_TRUE(Click("Sales"));
  EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", "unchecked", false, true}));

  // Check All cannot mark: its first press switches to clearing for good.
  EXPECT_TRUE(Click("Sales"));
  EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", "unchecked", false, true}));
  ASSERT_TRUE(Form().cmdCheckAll.UserClick());
  EXPECT_EQ(Form().cmdCheckAll.Caption(), "Uncheck All");
  ASSERT_TRUE(Form().cmdCheckAll.UserClick());
  EXPECT_EQ(Form().cmdCheckAll.Caption(), "Uncheck All");
  for (const FolderRow& row : Rows()) EXPECT_NE(row.mark, "checked") << row.path;
}

TEST_F(RegistrationTest, ARefillIgnoresRowClicksAndShowsTheStore) {
  ShowInstalled();
  ASSERT_TRUE(Click("Inbox"));
  // A refill rebuilds every row from the store; nothing pending survives.
  ASSERT_TRUE(Form().cmdRefreshFolders.UserClick());
  EXPECT_EQ(Seen("Inbox"), (FolderRow{"Inbox", "unchecked"}));
  EXPECT_FALSE(Form().btnChange.Enabled());
  // A click that arrives while the list is being filled changes nothing.
  int clicks = 0;
  platform_.Services().onDoEvents = [&] {
    ListItem* row = Form().ListView1.ListItems().Find(FolderUrl("Inbox"));
    if (row != nullptr && !program_->Window().listReady) {
      clicks += Form().ListView1.UserClickItem(*row, true) ? 1 : 0;
    }
  };
  ASSERT_TRUE(Form().cmdRefreshFolders.UserClick());
  platform_.Services().onDoEvents = nullptr;
  EXPECT_GT(clicks, 0);
  EXPECT_EQ(Seen("Inbox"), (FolderRow{"Inbox", "unchecked"}));
  EXPECT_FALSE(Form().btnChange.Enabled());
}

}  // namespace
}  // namespace quarvel::setup
