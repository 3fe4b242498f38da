// The failing provider session: the planned call fails in a folder that can
// be read and written, every other call works, and a failing commit leaves
// nothing of its transaction while the next one still works.
#include "platform/store/provider/FailingStoreProviderSession.h"

#include <gtest/gtest.h>

#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionRecord.h"
#include "platform/store/provider/StoreFixture_test_support.h"

namespace quarvel::platform::store {
namespace {

using testing::ErrorOf;
using testing::Path;

constexpr const char* kJunkReg = "http://EXSRV01/Public/Junk Mail/Quarvel.reg";
constexpr const char* kSalesReg = "http://EXSRV01/Public/Sales/Quarvel.reg";

class FailingSessionTest : public testing::StoreFixture {
 protected:
  FailingSessionTest() { RegisterFailingStoreProvider(failing_, Session(), plan_); }

  // Creates the item at `url` in a transaction of its own, as registration
  // does; the error number of the first failing step, or 0.
  int CreateItem(ado::Connection& connection, const std::string& url) {
    return ErrorOf([&] {
      connection.BeginTrans();
      try {
        ado::ConnectionRecord record;
        record.Open(url, &connection, ado::adModeReadWrite, ado::adCreateOverwrite,
                    ado::adDelayFetchFields, "", "");
        record.GetFields().SetValue("DAV:contentclass", "urn:content-class:storeeventreg");
        record.GetFields().Update();
        record.Close();
        connection.CommitTrans();
      } catch (const PlatformError&) {
        if (connection.InTransaction()) connection.RollbackTrans();
        throw;
      }
    });
  }

  ProviderFailurePlan plan_;
  ado::ProviderRegistry failing_;
};

TEST_F(FailingSessionTest, OnlyThePlannedCallFailsAndTheFolderStaysUsable) {
  struct Case {
    ProviderCall call;
    int nth;
    std::string urlContains;
  };
  for (const Case& c :
       {Case{ProviderCall::kFieldsUpdate, 1, "Sales"}, Case{ProviderCall::kCommitTrans, 2, ""},
        Case{ProviderCall::kOpenRecord, 0, "Sales/"}}) {
    SCOPED_TRACE(static_cast<int>(c.call));
    for (const char* item : {"Junk Mail", "Sales"}) {
      if (Store().ItemExists(Path({item, "Quarvel.reg"}))) {
        Store().DeleteItem(Path({item, "Quarvel.reg"}));
      }
    }
    plan_ = ProviderFailurePlan{c.call, c.nth, c.urlContains};
    ado::Connection connection(failing_);
    connection.Open("ExOLEDB.DataSource", testing::kRoot);
    EXPECT_EQ(CreateItem(connection, kJunkReg), 0);
    EXPECT_EQ(CreateItem(connection, kSalesReg), kErrFail);
    EXPECT_EQ(plan_.failed, 1);
    EXPECT_TRUE(Store().ItemExists(Path({"Junk Mail", "Quarvel.reg"})));
    EXPECT_FALSE(Store().ItemExists(Path({"Sales", "Quarvel.reg"})))
        << "the failed creation was not rolled back";
    // The connection and the folder still work: the next transaction commits.
    if (c.nth != 0) {
      EXPECT_EQ(CreateItem(connection, kSalesReg), 0);
      EXPECT_TRUE(Store().ItemExists(Path({"Sales", "Quarvel.reg"})));
    }
  }
}

TEST_F(FailingSessionTest, ADeletionFailsAndTheItemStays) {
  plan_ = ProviderFailurePlan{ProviderCall::kDeleteRecord, 1, "Junk Mail"};
  ado::Connection connection(failing_);
  connection.Open("ExOLEDB.DataSource", testing::kRoot);
  ASSERT_EQ(CreateItem(connection, kJunkReg), 0);
  ado::ConnectionRecord record;
  record.Open(kJunkReg, &connection, ado::adModeReadWrite, ado::adFailIfNotExists,
              ado::adOpenRecordUnspecified, "", "");
  EXPECT_EQ(ErrorOf([&] { record.DeleteRecord("", false); }), kErrFail);
  EXPECT_TRUE(Store().ItemExists(Path({"Junk Mail", "Quarvel.reg"})));
  record.DeleteRecord("", false);
  EXPECT_FALSE(Store().ItemExists(Path({"Junk Mail", "Quarvel.reg"})));
}

}  // namespace
}  // namespace quarvel::platform::store
