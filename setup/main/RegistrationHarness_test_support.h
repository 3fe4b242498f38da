// The whole setup program on the sample server, for the tests of
// registration and of the folder list: registration items seeded into and
// read from the store behind the program's back, rules seeded through the
// rule file, the application installed through the window, and the folder
// rows as a person sees them.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/controls/ListItem.h"
#include "platform/server/SampleServer.h"
#include "platform/store/PublicStore.h"
#include "setup/main/FolderRowState.h"
#include "setup/main/RegistrationItems.h"
#include "setup/main/SetupProgram.h"
#include "setup/main/TestPlatform_test_support.h"

namespace quarvel::setup::testing {

inline constexpr const char* kRoot = "http://MAIL01/Public/";

inline std::string FolderUrl(const std::string& path) { return kRoot + path; }

inline platform::store::StorePath StorePathOf(std::initializer_list<std::string> names) {
  platform::store::StorePath path;
  for (const auto& name : names) path = path.Child(name);
  return path;
}

// Where the store-wide item of the sample store lives.
inline platform::store::StorePath StoreWideItem() {
  return StorePathOf({"non_ipm_subtree",
                      std::string("StoreEvents") + platform::server::kSampleStoreGuid,
                      "GlobalEvents", kRegistrationItemName});
}

// One folder row as a person sees it.
struct FolderRow {
  std::string path;
  std::string mark;
  bool checked = false;
  bool pending = false;
  bool operator==(const FolderRow&) const = default;
  friend void PrintTo(const FolderRow& row, std::ostream* os) {
    *os << row.path << " [" << row.mark << (row.checked ? ", checked" : "")
        << (row.pending ? ", red" : "") << "]";
  }
};

class RegistrationHarness : public ::testing::Test {
 protected:
  // Starts the program beside its component file and shows its window: the
  // first activation fills the list.
  void Show(const std::string& commandLine = "") {
    platform_.WriteComponentFile();
    program_ = platform_.MakeProgram(commandLine);
    program_->Form().Show();
  }
  // Starts it with the application installed through the install button.
  void ShowInstalled() {
    Show();
    ASSERT_TRUE(Form().btnInstall.UserClick());
    ASSERT_EQ(Form().btnInstall.Caption(), "Uninstall");
  }
  InstallForm& Form() { return program_->Form(); }
  std::string Log() { return Form().txtErr.Text(); }
  platform::store::PublicStore& Store() { return platform_.Session().Store(); }

  // The rule file, one target per rule ("move to" for URLs, "forward to" for
  // addresses); takes effect at the next load of the rules.
  void WriteRules(const std::vector<std::string>& targets) {
    std::ofstream file(platform_.Root() / "Quarvel.ini");
    file << "[Quarvel RuleSet1]\n";
    int n = 0;
    for (const auto& target : targets) {
      const std::string number = std::to_string(++n);
      file << "ConditionHeader" << number << "=Subject\nConditionValue" << number << "=Spam "
           << number << "\nAction" << number << "="
           << (target.find('@') == std::string::npos ? "move to" : "forward to") << "\nTarget"
           << number << "=" << target << "\nTargetDisplayName" << number << "=\n";
    }
  }

  // A registration item written straight into the store, as another tool would.
  void SeedItem(const platform::store::StorePath& item, long priority = 65520) {
    Store().WriteItem(
        item, "",
        {{kFieldContentClass, platform::ado::Variant(kRegistrationContentClass)},
         {kPropEventMethod, platform::ado::Variant(kRegistrationEventMethod)},
         {kPropSinkClass, platform::ado::Variant(kRegistrationSinkClass)},
         {kPropMatchScope, platform::ado::Variant(item == StoreWideItem() ? kMatchScopeStoreWide
                                                                          : kMatchScopeFolder)},
         {kPropCriteria, platform::ado::Variant(kRegistrationCriteria)},
         {kPropPriority, platform::ado::Variant(std::to_string(priority))},
         {kFieldIsHidden, platform::ado::Variant(true)}});
  }
  void SeedFolderItem(std::initializer_list<std::string> folder) {
    auto path = StorePathOf(folder);
    SeedItem(path.Child(kRegistrationItemName));
  }
  bool FolderItemExists(std::initializer_list<std::string> folder) {
    return Store().ItemExists(StorePathOf(folder).Child(kRegistrationItemName));
  }
  std::string Property(const platform::store::StorePath& item, const std::string& name) {
    const auto properties = Store().ReadProperties(item);
    const auto found = properties.find(name);
    return found == properties.end() ? "(none)" : found->second.ToString();
  }

  platform::controls::ListItem& Row(const std::string& path) {
    return Form().ListView1.ListItems()(FolderUrl(path));
  }
  FolderRow Seen(const platform::controls::ListItem& row) {
    return {row.Text(), row.SmallIcon(), row.Checked(), IsPending(row)};
  }
  FolderRow Seen(const std::string& path) { return Seen(Row(path)); }
  std::vector<FolderRow> Rows() {
    std::vector<FolderRow> rows;
    for (const auto& row : Form().ListView1.ListItems()) rows.push_back(Seen(row));
    return rows;
  }
  // A person's click on the row (or its check box), the mouse released after it.
  bool Click(const std::string& path, bool onCheckBox = false) {
    const bool clicked = Form().ListView1.UserClickItem(Row(path), onCheckBox);
    Form().ListView1.UserMouseUp();
    return clicked;
  }

  TestPlatform platform_;
  std::unique_ptr<SetupProgram> program_;
};

}  // namespace quarvel::setup::testing
