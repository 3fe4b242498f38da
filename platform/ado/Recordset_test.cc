#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ErrorOf_test_support.h"
#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/ado/Connection.h"
#include "platform/ado/FakeProvider_test_support.h"
#include "platform/ado/StaticRecordset.h"

namespace quarvel::platform::ado {
namespace {

using testing::FakeRegistry;
using testing::ProviderLog;

Rowset TwoFolders() {
  return Rowset{{"DAV:displayname", "DAV:hassubs"},
                {{Variant("Junk Mail"), Variant(true)}, {Variant("Sales"), Variant::Null()}}};
}

TEST(StaticRecordsetTest, WalksRowsInOrderAndFindsFieldsIgnoringCase) {
  StaticRecordset recordset(TwoFolders());
  EXPECT_EQ(recordset.State(), adStateOpen);
  EXPECT_EQ(recordset.RecordCount(), 2);
  EXPECT_EQ(recordset.FieldNames(), TwoFolders().fields);
  std::vector<std::string> names;
  for (; !recordset.Eof(); recordset.MoveNext()) {
    names.push_back(recordset.Value("dav:DisplayName").ToString());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Junk Mail", "Sales"}));
  EXPECT_EQ(recordset.RecordCount(), 2);  // moving does not consume rows
}

TEST(StaticRecordsetTest, KeepsNullApartFromText) {
  StaticRecordset recordset(TwoFolders());
  recordset.MoveNext();
  EXPECT_TRUE(recordset.Value("DAV:hassubs").IsNull());
}

TEST(StaticRecordsetTest, AnEmptyAnswerIsAtEofAtOnce) {
  StaticRecordset recordset(Rowset{{"a"}, {}});
  EXPECT_TRUE(recordset.Eof());
  EXPECT_EQ(recordset.RecordCount(), 0);
}

struct MisuseCase {
  const char* name;
  friend void PrintTo(const MisuseCase& c, std::ostream* os) { *os << c.name; }
  std::function<void(StaticRecordset&)> action;
  int error;
};

class StaticRecordsetMisuseTest : public ::testing::TestWithParam<MisuseCase> {};

TEST_P(StaticRecordsetMisuseTest, FailsWithTheDataLayersNumber) {
  StaticRecordset recordset(TwoFolders());
  EXPECT_EQ(ErrorOf([&] { GetParam().action(recordset); }), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StaticRecordsetMisuseTest,
    ::testing::Values(MisuseCase{"MissingField", [](auto& r) { (void)r.Value("DAV:href"); },
                                 kErrItemNotFoundInCollection},
                      MisuseCase{"ReadPastEnd",
                                 [](auto& r) {
                                   r.MoveNext();
                                   r.MoveNext();
                                   (void)r.Value("DAV:displayname");
                                 },
                                 kErrNoCurrentRecord},
                      MisuseCase{"MovePastEnd",
                                 [](auto& r) {
                                   r.MoveNext();
                                   r.MoveNext();
                                   r.MoveNext();
                                 },
                                 kErrNoCurrentRecord},
                      MisuseCase{"EofWhenClosed",
                                 [](auto& r) {
                                   r.Close();
                                   (void)r.Eof();
                                 },
                                 kErrObjectClosed},
                      MisuseCase{"ValueWhenClosed",
                                 [](auto& r) {
                                   r.Close();
                                   (void)r.Value("DAV:displayname");
                                 },
                                 kErrObjectClosed},
                      MisuseCase{"CountWhenClosed",
                                 [](auto& r) {
                                   r.Close();
                                   (void)r.RecordCount();
                                 },
                                 kErrObjectClosed},
                      MisuseCase{"CloseTwice",
                                 [](auto& r) {
                                   r.Close();
                                   r.Close();
                                 },
                                 kErrObjectClosed},
                      MisuseCase{"OpenWhenOpen", [](auto& r) { r.Open("q", nullptr); },
                                 kErrObjectOpen}),
    [](const auto& info) { return info.param.name; });

TEST(StaticRecordsetTest, RefusesRowsOfTheWrongWidth) {
  EXPECT_EQ(ErrorOf([] { StaticRecordset(Rowset{{"a", "b"}, {{Variant("x")}}}); }), kErrFail);
}

TEST(StaticRecordsetTest, OpensACommandTextOnAConnection) {
  ProviderLog log;
  const auto registry = FakeRegistry(log, TwoFolders());
  Connection connection(registry);
  StaticRecordset recordset;
  EXPECT_EQ(recordset.State(), adStateClosed);
  EXPECT_EQ(ErrorOf([&] { recordset.Open("q", &connection); }), kErrInvalidConnection);
  EXPECT_EQ(ErrorOf([&] { recordset.Open("q", nullptr); }), kErrInvalidConnection);
  connection.Open("Fake.Provider", "root");
  EXPECT_EQ(ErrorOf([&] { recordset.Open("bad", &connection); }), kErrInvalidArgument);
  EXPECT_EQ(recordset.State(), adStateClosed);
  recordset.Open("select", &connection);
  EXPECT_EQ(recordset.RecordCount(), 2);
  EXPECT_TRUE(log.lastProperties.empty());
  recordset.Close();
  recordset.Open("again", &connection);  // a closed record set opens again
  EXPECT_EQ(recordset.Value("DAV:displayname"), Variant("Junk Mail"));
}

TEST(StaticRecordsetTest, ConnectionExecuteAnswersWithAnOpenRecordset) {
  ProviderLog log;
  const auto registry = FakeRegistry(log, TwoFolders());
  Connection connection(registry);
  connection.Open("Fake.Provider", "root");
  const auto recordset = connection.Execute("select");
  EXPECT_EQ(recordset->State(), adStateOpen);
  EXPECT_EQ(recordset->RecordCount(), 2);
}

}  // namespace
}  // namespace quarvel::platform::ado
