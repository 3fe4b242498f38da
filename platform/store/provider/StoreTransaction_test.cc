#include "platform/store/StoreTransaction.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <thread>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionRecord.h"
#include "platform/store/provider/StoreFixture_test_support.h"
#include "platform/store/provider/StoreRecord.h"

namespace quarvel::platform::store {
namespace {

using testing::ErrorOf;
using testing::kMessage;
using testing::Path;
using testing::StoreFixture;

constexpr const char* kItem = "http://EXSRV01/Public/Junk Mail/msg1.eml";
constexpr const char* kReg = "http://EXSRV01/Public/Junk Mail/Quarvel.reg";

// What an item looks like, for before/after comparisons.
struct Snapshot {
  bool exists = false;
  std::string message;
  PropertyMap properties;
  bool operator==(const Snapshot&) const = default;
};

class TransactionTest : public StoreFixture {
 protected:
  TransactionTest() : connection_(registry_) {
    connection_.Open("ExOLEDB.DataSource", testing::kRoot, "", "");
  }

  Snapshot Take(const StorePath& item) {
    if (!Store().ItemExists(item)) return {};
    return {true, Store().ReadMessage(item), Store().ReadProperties(item)};
  }

  // Opens a record on the connection, as the setup program does.
  void OpenOn(ado::Record& record, const std::string& url, ado::RecordCreateOptions options,
              ado::ConnectMode mode = ado::adModeReadWrite) {
    record.Open(url, &connection_, mode, options, ado::adDelayFetchFields, "", "");
  }

  // The setup program's registration item: seven fields, then Update.
  void WriteRegistration(ado::Record& record) {
    auto& fields = record.GetFields();
    fields.SetValue("DAV:contentclass", "urn:content-class:storeeventreg");
    fields.SetValue("http://schemas.microsoft.com/exchange/events/EventMethod", "onsyncsave");
    fields.SetValue("http://schemas.microsoft.com/exchange/events/SinkClass", "Quarvel.QuarvelCls");
    fields.SetValue("http://schemas.microsoft.com/exchange/events/MatchScope", "ANY");
    fields.SetValue("http://schemas.microsoft.com/exchange/events/Criteria",
                    "WHERE \"DAV:ishidden\" = FALSE");
    fields.SetValue("http://schemas.microsoft.com/exchange/events/Priority", 65520);
    fields.SetValue("http://schemas.microsoft.com/exchange/events/Enabled", true);
    fields.Update();
  }

  ado::Connection connection_;
};

TEST_F(TransactionTest, CommitKeepsACreatedRegistrationItem) {
  connection_.BeginTrans();
  ado::ConnectionRecord record;
  OpenOn(record, kReg, ado::adCreateOverwrite);
  WriteRegistration(record);
  record.Close();
  connection_.CommitTrans();
  const auto saved = Take(Path({"Junk Mail", "Quarvel.reg"}));
  ASSERT_TRUE(saved.exists);
  EXPECT_EQ(saved.message, "");
  EXPECT_EQ(saved.properties.at("http://schemas.microsoft.com/exchange/events/SinkClass"),
            ado::Variant("Quarvel.QuarvelCls"));
  EXPECT_EQ(saved.properties.at("http://schemas.microsoft.com/exchange/events/Priority"),
            ado::Variant(65520));
}

TEST_F(TransactionTest, RollbackRemovesACreatedItem) {
  connection_.BeginTrans();
  ado::ConnectionRecord record;
  OpenOn(record, kReg, ado::adCreateOverwrite);
  WriteRegistration(record);
  record.Close();
  connection_.RollbackTrans();
  EXPECT_FALSE(Store().ItemExists(Path({"Junk Mail", "Quarvel.reg"})));
}

// Each case changes the existing item msg1.eml inside a transaction; rolling
// back must give the item (and the other end of a move) back as it was.
struct UndoCase {
  const char* name;
  friend void PrintTo(const UndoCase& c, std::ostream* os) { *os << c.name; }
  std::function<void(ado::Record&)> change;
};

class RollbackTest : public TransactionTest, public ::testing::WithParamInterface<UndoCase> {};

TEST_P(RollbackTest, RollbackRestoresEveryTouchedItem) {
  const auto item = Path({"Junk Mail", "msg1.eml"});
  const auto other = Path({"Sales", "moved.eml"});
  Store().WriteItem(other, "old other", {{"urn:x", ado::Variant("y")}});
  const auto before = Take(item);
  const auto otherBefore = Take(other);

  connection_.BeginTrans();
  StoreRecord record(Session());
  OpenOn(record, kItem, ado::adFailIfNotExists);
  GetParam().change(record);
  record.Close();
  connection_.RollbackTrans();

  EXPECT_EQ(Take(item), before);
  EXPECT_EQ(Take(other), otherBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RollbackTest,
    ::testing::Values(UndoCase{"FieldUpdate",
                               [](ado::Record& r) {
                                 r.GetFields().SetValue("urn:schemas:httpmail:subject", "changed");
                                 r.GetFields().Delete("urn:schemas:httpmail:subject");
                                 r.GetFields().Append("urn:new", ado::adChar, 256,
                                                      ado::adFldUnspecified, "n");
                                 r.GetFields().Update();
                               }},
                      UndoCase{"Delete", [](ado::Record& r) { r.DeleteRecord("", false); }},
                      UndoCase{"MoveOverAnother",
                               [](ado::Record& r) {
                                 (void)r.MoveRecord("", "http://EXSRV01/Public/Sales/moved.eml", "",
                                                    "", ado::adMoveOverWrite, false);
                               }}),
    [](const auto& info) { return info.param.name; });

TEST_F(TransactionTest, RollbackRestoresAnOverwrittenItemThatNobodyElseSawChanged) {
  const auto item = Path({"Junk Mail", "msg1.eml"});
  const auto before = Take(item);
  connection_.BeginTrans();
  ado::ConnectionRecord record;
  OpenOn(record, kItem, ado::adCreateOverwrite);
  WriteRegistration(record);
  record.Close();
  // Inside the transaction the item is emptied at once; outside, nothing
  // has changed until it commits.
  StoreRecord inside(Session());
  OpenOn(inside, kItem, ado::adFailIfNotExists);
  EXPECT_EQ(ErrorOf([&] { (void)inside.GetFields().Value("urn:schemas:httpmail:subject"); }),
            kErrItemNotFoundInCollection);
  inside.Close();
  EXPECT_EQ(Take(item), before);
  connection_.RollbackTrans();
  EXPECT_EQ(Take(item), before);
  EXPECT_EQ(Store().ReadMessage(item), kMessage);
}

TEST_F(TransactionTest, ChangesOutsideTheTransactionStay) {
  // A record without a connection, and one opened before BeginTrans whose
  // change is saved after Commit, are not part of the rolled-back transaction.
  connection_.BeginTrans();
  StoreRecord loose(Session());
  loose.Open(kItem, nullptr, ado::adModeReadWrite, ado::adFailIfNotExists,
             ado::adOpenRecordUnspecified, "", "");
  loose.GetFields().SetValue("urn:loose", "kept");
  loose.GetFields().Update();
  connection_.RollbackTrans();
  EXPECT_EQ(Store().ReadProperties(Path({"Junk Mail", "msg1.eml"})).at("urn:loose"),
            ado::Variant("kept"));

  StoreRecord record(Session());
  OpenOn(record, kItem, ado::adFailIfNotExists);
  record.GetFields().SetValue("urn:after", "kept too");
  record.GetFields().Update();  // no transaction open: nothing is remembered
  connection_.BeginTrans();
  connection_.RollbackTrans();
  EXPECT_EQ(Store().ReadProperties(Path({"Junk Mail", "msg1.eml"})).at("urn:after"),
            ado::Variant("kept too"));
}

TEST_F(TransactionTest, AFailedRegistrationIsRolledBackToThePreviousItem) {
  // The setup program's CreateRegistrationItem error path: an item exists,
  // the overwrite starts, a later step fails, the transaction rolls back.
  Store().WriteItem(Path({"Junk Mail", "Quarvel.reg"}), "",
                    {{"http://schemas.microsoft.com/exchange/events/Priority", ado::Variant(1)}});
  const auto before = Take(Path({"Junk Mail", "Quarvel.reg"}));
  connection_.BeginTrans();
  ado::ConnectionRecord record;
  OpenOn(record, kReg, ado::adCreateOverwrite);
  record.GetFields().SetValue("http://schemas.microsoft.com/exchange/events/Priority", 2);
  record.GetFields().Update();
  EXPECT_EQ(ErrorOf([&] { record.GetFields().Delete("urn:none"); }), kErrItemNotFoundInCollection);
  connection_.RollbackTrans();
  EXPECT_EQ(Take(Path({"Junk Mail", "Quarvel.reg"})), before);
}

TEST_F(TransactionTest, ClosingTheConnectionRollsBack) {
  connection_.BeginTrans();
  {
    ado::ConnectionRecord record;
    OpenOn(record, kReg, ado::adCreateOverwrite);
    record.Close();
  }
  connection_.Close();
  EXPECT_FALSE(Store().ItemExists(Path({"Junk Mail", "Quarvel.reg"})));
}

TEST_F(TransactionTest, EachConnectionHasItsOwnTransaction) {
  ado::Connection second(registry_);
  second.Open("ExOLEDB.DataSource", testing::kRoot);
  connection_.BeginTrans();
  second.BeginTrans();
  ado::ConnectionRecord mine;
  OpenOn(mine, kReg, ado::adCreateOverwrite);
  mine.Close();
  connection_.RollbackTrans();
  ado::ConnectionRecord theirs;
  theirs.Open("http://EXSRV01/Public/Sales/Quarvel.reg", &second, ado::adModeReadWrite,
              ado::adCreateOverwrite, ado::adOpenRecordUnspecified, "", "");
  theirs.Close();
  second.CommitTrans();
  EXPECT_FALSE(Store().ItemExists(Path({"Junk Mail", "Quarvel.reg"})));
  EXPECT_TRUE(Store().ItemExists(Path({"Sales", "Quarvel.reg"})));
}

// A transaction holds the write lock from its first change to its end: a
// writer on another thread waits for it (it never sees half of it), and
// readers go on meanwhile.
TEST_F(TransactionTest, AnotherWriterWaitsUntilTheTransactionEnds) {
  connection_.BeginTrans();
  ado::ConnectionRecord record;
  OpenOn(record, kReg, ado::adCreateOverwrite);
  WriteRegistration(record);
  record.Close();

  std::atomic<bool> written = false;
  std::thread other([&] {
    Store().WriteItem(Path({"Sales", "later.eml"}), "x", {});
    written = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(written);
  EXPECT_FALSE(Store().ItemExists(Path({"Junk Mail", "Quarvel.reg"})));  // reads go on
  connection_.CommitTrans();
  other.join();
  EXPECT_TRUE(written);
  EXPECT_TRUE(Store().ItemExists(Path({"Junk Mail", "Quarvel.reg"})));
  EXPECT_TRUE(Store().ItemExists(Path({"Sales", "later.eml"})));
}

TEST_F(TransactionTest, ARecordWhoseConnectionClosedCannotChangeAnything) {
  StoreRecord record(Session());
  OpenOn(record, kItem, ado::adFailIfNotExists);
  connection_.Close();
  record.GetFields().SetValue("urn:x", "y");
  EXPECT_EQ(ErrorOf([&] { record.GetFields().Update(); }), ado::kErrInvalidConnection);
  EXPECT_FALSE(Store().ReadProperties(Path({"Junk Mail", "msg1.eml"})).contains("urn:x"));
}

// The transaction on its own: no nesting, nothing after its end.
TEST_F(TransactionTest, ATransactionEndsOnceAndRefusesNesting) {
  EXPECT_EQ(ErrorOf([&] { connection_.CommitTrans(); }), kErrFail);
  connection_.BeginTrans();
  EXPECT_EQ(ErrorOf([&] { (void)connection_.BeginTrans(); }), kErrFail);

  auto transaction = Store().BeginTransaction();
  transaction->PutItem(Path({"Sales", "t.eml"}), "x", {});
  transaction->Commit();
  EXPECT_FALSE(transaction->IsOpen());
  EXPECT_EQ(ErrorOf([&] { transaction->Commit(); }), kErrFail);
  EXPECT_EQ(ErrorOf([&] { transaction->Rollback(); }), kErrFail);
  EXPECT_EQ(ErrorOf([&] { (void)transaction->ItemExists(Path({"Sales", "t.eml"})); }), kErrFail);
  EXPECT_TRUE(Store().ItemExists(Path({"Sales", "t.eml"})));
  connection_.RollbackTrans();

  {
    auto abandoned = Store().BeginTransaction();
    abandoned->DeleteItem(Path({"Sales", "t.eml"}));
  }  // destroyed open: rolled back
  EXPECT_TRUE(Store().ItemExists(Path({"Sales", "t.eml"})));
}

}  // namespace
}  // namespace quarvel::platform::store
