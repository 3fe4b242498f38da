#include "platform/store/events/Registration.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quarvel::platform::store {
namespace {

namespace fs = std::filesystem;

class RegistrationTest : public ::testing::Test {
 protected:
  RegistrationTest()
      : directory_(fs::temp_directory_path() /
                   ("registration_test_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        store_((fs::remove_all(directory_), directory_)) {
    store_.CreateFolder(kInbox, {"Inbox", "inbox@example.com", false, false});
    store_.CreateFolder(kSales, {"Sales", "", false, false});
    store_.CreateFolder(kGlobal, {"GlobalEvents", "", true, false});
  }
  ~RegistrationTest() override { fs::remove_all(directory_); }

  void Register(const StorePath& item, const std::string& sink, const std::string& scope,
                const std::string& priority, const std::string& method = "onsyncsave") {
    store_.WriteItem(item, "",
                     {{"DAV:contentclass", ado::Variant(kRegistrationContentClass)},
                      {kPropEventMethod, ado::Variant(method)},
                      {kPropSinkClass, ado::Variant(sink)},
                      {kPropMatchScope, ado::Variant(scope)},
                      {kPropPriority, ado::Variant(priority)}});
  }

  static std::vector<std::string> Sinks(const std::vector<Registration>& registrations) {
    std::vector<std::string> sinks;
    for (const auto& registration : registrations) sinks.push_back(registration.sinkClass);
    return sinks;
  }

  const StorePath kInbox{{"Inbox"}};
  const StorePath kSales{{"Sales"}};
  const StorePath kGlobal{{"non_ipm_subtree", "StoreEvents{1234}", "GlobalEvents"}};
  fs::path directory_;
  PublicStore store_;
};

TEST_F(RegistrationTest, FolderAndStoreWideRegistrationsRunByPriority) {
  Register(kInbox.Child("Quarvel.reg"), "Quarvel.QuarvelCls", "SHALLOW", "65520");
  Register(kInbox.Child("Early.reg"), "Early.Sink", "SHALLOW", "10");
  Register(kGlobal.Child("Global.reg"), "Global.Sink", "ANY", "100");
  Register(kInbox.Child("Deletes.reg"), "Delete.Sink", "SHALLOW", "1", "onsyncdelete");
  store_.WriteItem(kInbox.Child("mail.eml"), "Subject: x\r\n\r\n", {});

  EXPECT_EQ(Sinks(RegistrationsFor(store_, kInbox)),
            (std::vector<std::string>{"Early.Sink", "Global.Sink", "Quarvel.QuarvelCls"}));
  EXPECT_EQ(Sinks(RegistrationsFor(store_, kSales)), (std::vector<std::string>{"Global.Sink"}));
  // The store's own folders raise no events for sinks of the public tree.
  EXPECT_TRUE(RegistrationsFor(store_, kGlobal).empty());
  EXPECT_EQ(AllRegistrations(store_).size(), 4u);
}

TEST_F(RegistrationTest, StoreWideItemNeedsScopeAny) {
  Register(kGlobal.Child("Shallow.reg"), "Shallow.Sink", "SHALLOW", "1");
  EXPECT_TRUE(RegistrationsFor(store_, kInbox).empty());
}

TEST_F(RegistrationTest, MalformedPriorityIsReportedNotHonoured) {
  Register(kInbox.Child("Bad.reg"), "Bad.Sink", "SHALLOW", "high");
  const auto found = RegistrationsFor(store_, kInbox);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].problem.find("priority"), std::string::npos);
}

TEST(WantsSyncSaveTest, MethodListsAreSplitAtSemicolons) {
  Registration registration;
  for (const auto& [methods, wanted] :
       std::vector<std::pair<std::string, bool>>{{"onsyncsave", true},
                                                 {"OnSave; OnSyncSave", true},
                                                 {"onsave", false},
                                                 {"onsyncsaveX", false},
                                                 {"", false}}) {
    registration.eventMethod = methods;
    EXPECT_EQ(WantsSyncSave(registration), wanted) << methods;
  }
}

}  // namespace
}  // namespace quarvel::platform::store
