#include "platform/ado/Connection.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ErrorOf_test_support.h"
#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/ado/Command.h"
#include "platform/ado/ConnectionRecord.h"
#include "platform/ado/FakeProvider_test_support.h"

namespace quarvel::platform::ado {
namespace {

using testing::FakeRegistry;
using testing::ProviderLog;
using Calls = std::vector<std::string>;

// ---------------------------------------------------------------------------
// Providers by name

TEST(ProviderRegistryTest, FindsProvidersIgnoringCaseAndPassesTheConnectionInfo) {
  ProviderLog log;
  const auto registry = FakeRegistry(log);
  Connection connection(registry);
  connection.Open("fake.PROVIDER", "root", "user", "secret");
  EXPECT_EQ(connection.State(), adStateOpen);
  EXPECT_EQ(connection.Provider(), "fake.PROVIDER");
  EXPECT_EQ(connection.ConnectionString(), "root");
  EXPECT_EQ(log.lastInfo.connectionString, "root");
  EXPECT_EQ(log.lastInfo.userName, "user");
  EXPECT_EQ(log.lastInfo.password, "secret");
}

TEST(ProviderRegistryTest, RefusesUnknownProvidersAndLeavesTheConnectionClosed) {
  ProviderLog log;
  const auto registry = FakeRegistry(log);
  Connection connection(registry);
  EXPECT_EQ(ErrorOf([&] { connection.Open("ExOLEDB.DataSource", "x"); }), kErrProviderNotFound);
  EXPECT_EQ(connection.State(), adStateClosed);
}

TEST(ProviderRegistryTest, AProviderThatRefusesTheConnectionLeavesItClosed) {
  ProviderLog log;
  const auto registry = FakeRegistry(log);
  Connection connection(registry);
  EXPECT_EQ(ErrorOf([&] { connection.Open("Fake.Provider", "refuse"); }), kErrAccessDenied);
  EXPECT_EQ(connection.State(), adStateClosed);
  EXPECT_EQ(connection.Provider(), "");
}

TEST(ProviderRegistryTest, RefusesDuplicateEmptyAndFactorylessRegistrations) {
  ProviderLog log;
  auto registry = FakeRegistry(log);
  const auto factory = [](const ConnectionInfo&) -> std::unique_ptr<ProviderSession> {
    return nullptr;
  };
  EXPECT_EQ(ErrorOf([&] { registry.Register("FAKE.provider", factory); }), kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { registry.Register("", factory); }), kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { registry.Register("Other", nullptr); }), kErrInvalidArgument);
  registry.Register("Null.Provider", factory);
  EXPECT_EQ(registry.Names(), (std::vector<std::string>{"Fake.Provider", "Null.Provider"}));
  EXPECT_TRUE(registry.Has("null.provider"));
  Connection connection(registry);
  EXPECT_EQ(ErrorOf([&] { connection.Open("Null.Provider", ""); }), kErrFail);
}

// ---------------------------------------------------------------------------
// Connection states and transactions

TEST(ConnectionTest, StateErrorsFollowTheObjectsState) {
  ProviderLog log;
  const auto registry = FakeRegistry(log);
  Connection connection(registry);
  EXPECT_EQ(ErrorOf([&] { connection.Close(); }), kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] { (void)connection.Session(); }), kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] { connection.BeginTrans(); }), kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] { (void)connection.Execute("q"); }), kErrObjectClosed);
  connection.Open("Fake.Provider", "a");
  EXPECT_EQ(ErrorOf([&] { connection.Open("Fake.Provider", "b"); }), kErrObjectOpen);
  EXPECT_EQ(connection.ConnectionString(), "a");
  connection.Close();
  EXPECT_EQ(connection.State(), adStateClosed);
  connection.Open("Fake.Provider", "b");  // a closed connection opens again
  EXPECT_EQ(connection.ConnectionString(), "b");
}

struct TransactionCase {
  const char* name;
  friend void PrintTo(const TransactionCase& c, std::ostream* os) { *os << c.name; }
  std::function<void(Connection&)> steps;
  Calls expected;  // provider calls after Open
  int error;       // of the last step, 0 for none
};

class TransactionTest : public ::testing::TestWithParam<TransactionCase> {};

TEST_P(TransactionTest, PassesTransactionsToTheProviderOneAtATime) {
  const auto& c = GetParam();
  ProviderLog log;
  const auto registry = FakeRegistry(log);
  {
    Connection connection(registry);
    connection.Open("Fake.Provider", "root");
    EXPECT_EQ(ErrorOf([&] { c.steps(connection); }), c.error);
  }
  EXPECT_EQ(log.calls, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TransactionTest,
    ::testing::Values(
        TransactionCase{"Commit",
                        [](Connection& c) {
                          EXPECT_EQ(c.BeginTrans(), 1);
                          EXPECT_TRUE(c.InTransaction());
                          c.CommitTrans();
                          EXPECT_FALSE(c.InTransaction());
                        },
                        {"Begin", "Commit"},
                        0},
        TransactionCase{"Rollback",
                        [](Connection& c) {
                          c.BeginTrans();
                          c.RollbackTrans();
                        },
                        {"Begin", "Rollback"},
                        0},
        TransactionCase{"NestedRefused",
                        [](Connection& c) {
                          c.BeginTrans();
                          c.BeginTrans();
                        },
                        {"Begin", "Rollback"},  // the destructor rolls the open one back
                        kErrFail},
        TransactionCase{"CommitWithoutBegin", [](Connection& c) { c.CommitTrans(); }, {}, kErrFail},
        TransactionCase{
            "RollbackWithoutBegin", [](Connection& c) { c.RollbackTrans(); }, {}, kErrFail},
        TransactionCase{"CloseRollsBack",
                        [](Connection& c) {
                          c.BeginTrans();
                          c.Close();
                          EXPECT_FALSE(c.InTransaction());
                        },
                        {"Begin", "Rollback"},
                        0},
        TransactionCase{
            "DestructorRollsBack", [](Connection& c) { c.BeginTrans(); }, {"Begin", "Rollback"}, 0},
        TransactionCase{"SecondTransactionAfterCommit",
                        [](Connection& c) {
                          c.BeginTrans();
                          c.CommitTrans();
                          c.BeginTrans();
                          c.CommitTrans();
                        },
                        {"Begin", "Commit", "Begin", "Commit"},
                        0}),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Commands

TEST(CommandTest, ExecutesItsTextWithItsPropertiesOnTheActiveConnection) {
  ProviderLog log;
  const auto registry = FakeRegistry(log, Rowset{{"cn"}, {{Variant("a")}, {Variant("b")}}});
  Connection connection(registry);
  connection.Open("Fake.Provider", "gc");
  Command command;
  command.SetActiveConnection(&connection);
  command.SetCommandText("SELECT cn FROM 'GC://x'");
  command.GetProperties()["searchscope"] = 2;
  command.GetProperties()["Chase Referrals"] = 96;
  command.GetProperties()["CACHE RESULTS"] = false;
  auto recordset = command.Execute();
  EXPECT_EQ(log.calls, Calls{"Execute SELECT cn FROM 'GC://x'"});
  EXPECT_EQ(log.lastProperties.at("SearchScope"), Variant(2));
  EXPECT_EQ(log.lastProperties.at("chase referrals"), Variant(96));
  EXPECT_EQ(log.lastProperties.at("Cache Results"), Variant(false));
  EXPECT_EQ(recordset->RecordCount(), 2);
  EXPECT_EQ(recordset->Value("CN"), Variant("a"));
}

TEST(CommandTest, RefusesToRunWithoutAnOpenConnectionOrText) {
  ProviderLog log;
  const auto registry = FakeRegistry(log);
  Connection connection(registry);
  Command command;
  command.SetCommandText("q");
  EXPECT_EQ(ErrorOf([&] { (void)command.Execute(); }), kErrInvalidConnection);
  command.SetActiveConnection(&connection);
  EXPECT_EQ(ErrorOf([&] { (void)command.Execute(); }), kErrInvalidConnection);
  connection.Open("Fake.Provider", "gc");
  command.SetCommandText("");
  EXPECT_EQ(ErrorOf([&] { (void)command.Execute(); }), kErrInvalidArgument);
  command.SetCommandText("bad");
  EXPECT_EQ(ErrorOf([&] { (void)command.Execute(); }), kErrInvalidArgument);
}

// ---------------------------------------------------------------------------
// Records a program creates

TEST(ConnectionRecordTest, BecomesTheProvidersRecordUntilClosed) {
  ProviderLog log;
  const auto registry = FakeRegistry(log);
  Connection connection(registry);
  connection.Open("Fake.Provider", "root");
  ConnectionRecord record;
  EXPECT_EQ(ErrorOf([&] { (void)record.ParentURL(); }), kErrObjectClosed);
  record.Open("a", &connection, adModeReadWrite, adFailIfNotExists, adOpenRecordUnspecified, "",
              "");
  EXPECT_TRUE(record.IsOpen());
  EXPECT_EQ(ErrorOf([&] {
              record.Open("b", &connection, adModeRead, adFailIfNotExists, adOpenRecordUnspecified,
                          "", "");
            }),
            kErrObjectOpen);
  EXPECT_EQ(record.ParentURL(), "parent of a");
  EXPECT_EQ(record.MoveRecord("a", "c", "", "", adMoveOverWrite, false), "c");
  record.DeleteRecord("", false);
  record.Close();
  EXPECT_FALSE(record.IsOpen());
  EXPECT_EQ(ErrorOf([&] { record.Close(); }), kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] { (void)record.GetFields(); }), kErrObjectClosed);
  EXPECT_EQ(log.calls, (Calls{"OpenRecord a", "Move a c", "Delete ", "Close a"}));
}

TEST(ConnectionRecordTest, OpenNeedsAnOpenConnectionAndStaysClosedOnFailure) {
  ProviderLog log;
  const auto registry = FakeRegistry(log);
  Connection connection(registry);
  ConnectionRecord record;
  const auto open = [&](Connection* c, const char* source) {
    record.Open(source, c, adModeRead, adFailIfNotExists, adOpenRecordUnspecified, "", "");
  };
  EXPECT_EQ(ErrorOf([&] { open(nullptr, "a"); }), kErrInvalidConnection);
  EXPECT_EQ(ErrorOf([&] { open(&connection, "a"); }), kErrInvalidConnection);
  connection.Open("Fake.Provider", "root");
  EXPECT_EQ(ErrorOf([&] { open(&connection, "missing"); }), kErrNotFound);
  EXPECT_FALSE(record.IsOpen());
}

}  // namespace
}  // namespace quarvel::platform::ado
