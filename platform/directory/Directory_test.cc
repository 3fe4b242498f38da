#include "platform/directory/Directory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ErrorOf_test_support.h"
#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/ado/Command.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionRecord.h"
#include "platform/directory/DirectoryErrors.h"
#include "platform/directory/DirectoryFile.h"
#include "platform/directory/DirectoryProvider.h"
#include "platform/directory/FailingDirectory.h"

namespace quarvel::platform::directory {
namespace {

namespace fs = std::filesystem;

const char* const kLdif = R"(version: 1

dn:
dnsHostName: dc01.example.com
isGlobalCatalogReady: TRUE

dn: CN=zoe,CN=Users,DC=example,DC=com
objectClass: user
cn: zoe
mail: zoe@example.com
sAMAccountType: 805306368
userAccountControl: 514
msExchHideFromAddressLists: FALSE

dn: CN=Adam,CN=Users,DC=example,DC=com
objectClass: user
cn: Adam
mail: adam@example.com
sAMAccountType:
msExchHideFromAddressLists: TRUE

dn: CN=Ölaf,CN=Users,DC=example,DC=com
objectClass: user
cn: Ölaf
mail: olaf@example.com

dn: CN=nobody,CN=Users,DC=example,DC=com
objectClass: user
mail: nobody@example.com

dn: CN=bob,CN=Users,DC=example,DC=com
objectClass: user
cn: bob
mail: bob@example.com
)";

constexpr const char* kFrom = " FROM 'GC://dc01.example.com'";

std::shared_ptr<const Directory> Sample() {
  return std::make_shared<const Directory>(Directory::FromLdif(kLdif, "test.ldif"));
}

// The value of `field` in every row, as text ("<null>" for null).
std::vector<std::string> Column(const ado::Rowset& rows, std::size_t field = 0) {
  std::vector<std::string> column;
  for (const auto& row : rows.rows) {
    column.push_back(row[field].IsNull() ? "<null>" : row[field].ToString());
  }
  return column;
}

// ---------------------------------------------------------------------------
// Binding GC://RootDSE

TEST(DirectoryBindTest, RootDseAnswersTheHostName) {
  const auto directory = Sample();
  for (const std::string path : {"GC://RootDSE", "GC://rootdse", "GC://DC01.example.com/RootDSE"}) {
    const auto object = directory->Bind(path);
    EXPECT_EQ(object.Path(), path);
    EXPECT_EQ(object.GetString("dnshostname"), "dc01.example.com");
    EXPECT_EQ(object.Get("isGlobalCatalogReady"), ado::Variant("TRUE"));
  }
  EXPECT_EQ(ErrorOf([&] { (void)directory->Bind("GC://RootDSE").Get("defaultNamingContext"); }),
            kErrPropertyNotFound);
}

TEST(DirectoryBindTest, RefusesOtherPaths) {
  const auto directory = Sample();
  struct {
    std::string path;
    int error;
  } const cases[] = {
      {"", kErrInvalidPathSyntax},
      {"GC://", kErrInvalidPathSyntax},
      {"gc://RootDSE", kErrInvalidPathSyntax},
      {"RootDSE", kErrInvalidPathSyntax},
      {"GC://RootDSE/x", kErrNoSuchObject},
      {"GC://other.example.com/RootDSE", kErrNoSuchObject},
      {"GC://CN=zoe,CN=Users,DC=example,DC=com", kErrNoSuchObject},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorOf([&] { (void)directory->Bind(c.path); }), c.error) << c.path;
  }
}

TEST(DirectoryBindTest, ADirectoryNeedsARootNamingItsHost) {
  for (const std::string ldif :
       {"dn: CN=a\ncn: a\n", "dn:\ncn: root\n", "dn:\ndnsHostName:\n",
        "dn:\ndnsHostName: a\ndnsHostName: b\n",
        "dn:\ndnsHostName: a\n\ndn: CN=b\ncn: b\n\ndn:\ndnsHostName: c\n"}) {
    EXPECT_EQ(ErrorOf([&] { (void)Directory::FromLdif(ldif, "x"); }), kErrFail) << ldif;
  }
  EXPECT_TRUE(Directory::FromLdif("dn:\ndnsHostName: dc\n", "x").Entries().empty());
}

// ---------------------------------------------------------------------------
// The file-backed directory

class DirectoryFileTest : public ::testing::Test {
 protected:
  DirectoryFileTest()
      : directory_(fs::temp_directory_path() /
                   ("directory_test_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  ~DirectoryFileTest() override { fs::remove_all(directory_); }

  void Write(const std::string& text) const {
    std::ofstream(directory_ / kDirectoryFileName, std::ios::binary) << text;
  }

  fs::path directory_;
};

TEST_F(DirectoryFileTest, WithoutAFileThereIsNoDirectory) {
  const DirectoryFile file(directory_ / kDirectoryFileName);
  EXPECT_EQ(ErrorOf([&] { (void)file.Bind("GC://RootDSE"); }), kErrNoSuchDomain);
  EXPECT_EQ(ErrorOf([&] { (void)file.Search(std::string("SELECT cn") + kFrom, {}); }),
            kErrNoSuchDomain);
}

TEST_F(DirectoryFileTest, ReadsEveryEditAtTheNextCall) {
  const DirectoryFile file(directory_ / kDirectoryFileName);
  Write(kLdif);
  EXPECT_EQ(file.Bind("GC://RootDSE").GetString("dnsHostName"), "dc01.example.com");
  Write("dn:\ndnsHostName: dc02.example.com\n");
  EXPECT_EQ(file.Bind("GC://RootDSE").GetString("dnsHostName"), "dc02.example.com");
  EXPECT_EQ(ErrorOf([&] { (void)file.Search(std::string("SELECT cn") + kFrom, {}); }),
            kErrServerNotOperational);
}

TEST_F(DirectoryFileTest, AMalformedFileNamesItsLine) {
  Write("dn:\ndnsHostName: dc\n\ndn: CN=a\ncn a\n");
  try {
    (void)DirectoryFile(directory_ / kDirectoryFileName).Bind("GC://RootDSE");
    FAIL();
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrFail);
    EXPECT_EQ(error.Description(), (directory_ / kDirectoryFileName).string() +
                                       ":5: expected \"name: value\", found "
                                       "no \":\"");
  }
}

TEST_F(DirectoryFileTest, ADirectoryInPlaceOfTheFileCannotBeRead) {
  fs::create_directories(directory_ / kDirectoryFileName);
  EXPECT_EQ(
      ErrorOf([&] { (void)DirectoryFile(directory_ / kDirectoryFileName).Bind("GC://RootDSE"); }),
      kErrFail);
}

// ---------------------------------------------------------------------------
// Searching

TEST(DirectorySearchTest, AnswersSelectedFieldsByNameWithNullForAbsent) {
  const auto rows = Sample()->Search(
      std::string("SELECT cn, sAMAccountType, Mail") + kFrom + " WHERE mail='*'", {});
  EXPECT_EQ(rows.fields, (std::vector<std::string>{"cn", "sAMAccountType", "Mail"}));
  EXPECT_EQ(Column(rows, 0), (std::vector<std::string>{"zoe", "Adam", "Ölaf", "<null>", "bob"}));
  ASSERT_EQ(rows.rows.size(), 5u);
  EXPECT_EQ(rows.rows[0][1], ado::Variant(std::int64_t{805306368}));
  EXPECT_EQ(rows.rows[1][1], ado::Variant(""));  // present but empty: not null
  EXPECT_TRUE(rows.rows[2][1].IsNull());
  EXPECT_EQ(rows.rows[4][2], ado::Variant("bob@example.com"));
}

TEST(DirectorySearchTest, TypedAttributesComeBackAsNumbersAndBooleans) {
  const auto rows =
      Sample()->Search(std::string("SELECT userAccountControl, msExchHideFromAddressLists") +
                           kFrom + " WHERE cn='zoe' OR cn='Adam'",
                       {});
  ASSERT_EQ(rows.rows.size(), 2u);
  EXPECT_EQ(rows.rows[0][0], ado::Variant(std::int64_t{514}));
  EXPECT_EQ(rows.rows[0][1], ado::Variant(false));
  EXPECT_TRUE(rows.rows[1][0].IsNull());
  EXPECT_EQ(rows.rows[1][1], ado::Variant(true));
}

TEST(DirectorySearchTest, ASeveralValuedFieldIsRefusedNotCut) {
  const auto directory = Directory::FromLdif(
      "dn:\ndnsHostName: dc01.example.com\n\ndn: CN=a\nobjectClass: top\nobjectClass: user\n", "x");
  EXPECT_EQ(ErrorOf([&] { (void)directory.Search(std::string("SELECT objectClass") + kFrom, {}); }),
            kErrFail);
}

struct OrderCase {
  const char* name;
  std::string orderBy;
  std::vector<std::string> cns;
  friend void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }
};

class DirectoryOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(DirectoryOrderTest, SortsIgnoringCaseWithMissingLast) {
  const auto rows = Sample()->Search(std::string("SELECT cn") + kFrom + GetParam().orderBy, {});
  EXPECT_EQ(Column(rows), GetParam().cns);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DirectoryOrderTest,
    ::testing::Values(
        OrderCase{"FileOrder", "", {"zoe", "Adam", "Ölaf", "<null>", "bob"}},
        OrderCase{"Ascending", " ORDER BY cn", {"Adam", "bob", "Ölaf", "zoe", "<null>"}},
        OrderCase{
            "AscendingSpelledOut", " ORDER BY CN ASC", {"Adam", "bob", "Ölaf", "zoe", "<null>"}},
        OrderCase{"Descending", " ORDER BY cn DESC", {"<null>", "zoe", "Ölaf", "bob", "Adam"}},
        OrderCase{"TiesKeepFileOrder",
                  " ORDER BY objectClass",
                  {"zoe", "Adam", "Ölaf", "<null>", "bob"}}));

TEST(DirectorySearchTest, AnUnknownHostIsNotOperational) {
  const auto directory = Sample();
  EXPECT_EQ(directory->Search("SELECT cn FROM 'GC://DC01.EXAMPLE.COM'", {}).rows.size(), 5u);
  try {
    (void)directory->Search("SELECT cn FROM 'GC://dc02.example.com' WHERE cn='x'", {});
    FAIL();
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrServerNotOperational);
    EXPECT_NE(error.Description().find("dc02.example.com"), std::string::npos);
    EXPECT_NE(error.Description().find("offset 15"), std::string::npos);
  }
}

// ---------------------------------------------------------------------------
// Command properties

struct PropertyCase {
  const char* name;
  ado::Properties properties;
  int error;  // 0: accepted
  friend void PrintTo(const PropertyCase& c, std::ostream* os) { *os << c.name; }
};

class DirectoryPropertyTest : public ::testing::TestWithParam<PropertyCase> {};

TEST_P(DirectoryPropertyTest, AcceptsTheKnownPropertiesOnly) {
  const auto& c = GetParam();
  EXPECT_EQ(
      ErrorOf([&] { (void)Sample()->Search(std::string("SELECT cn") + kFrom, c.properties); }),
      c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DirectoryPropertyTest,
    ::testing::Values(
        PropertyCase{"TheStandardOnes",
                     {{"searchscope", 2}, {"cache results", false}, {"Chase Referrals", 96}},
                     0},
        PropertyCase{
            "TheRecipientQuerys", {{"Page Size", 100}, {"Size Limit", 30000}, {"Timeout", 120}}, 0},
        PropertyCase{"NamesIgnoreCase", {{"SEARCHSCOPE", 2}, {"size limit", 0}}, 0},
        PropertyCase{"CacheResultsAsNumber", {{"Cache Results", 0}}, 0},
        PropertyCase{"Misspelt", {{"Search Scope", 2}}, kErrItemNotFoundInCollection},
        PropertyCase{"Unknown", {{"Sort On", "cn"}}, kErrItemNotFoundInCollection},
        PropertyCase{"BaseScope", {{"searchscope", 0}}, kErrNotImplemented},
        PropertyCase{"OneLevelScope", {{"searchscope", 1}}, kErrNotImplemented},
        PropertyCase{"NoSuchScope", {{"searchscope", 3}}, kErrInvalidArgument},
        PropertyCase{"ScopeAsText", {{"searchscope", "2"}}, kErrInvalidArgument},
        PropertyCase{"OddReferrals", {{"Chase Referrals", 95}}, kErrInvalidArgument},
        PropertyCase{"NegativeSizeLimit", {{"Size Limit", -1}}, kErrInvalidArgument},
        PropertyCase{"NegativePageSize", {{"Page Size", -5}}, kErrInvalidArgument},
        PropertyCase{"NegativeTimeout", {{"Timeout", -1}}, kErrInvalidArgument},
        PropertyCase{"EmptyValue", {{"Timeout", ado::Variant()}}, kErrInvalidArgument},
        PropertyCase{"SizeLimitAsBoolean", {{"Size Limit", true}}, kErrInvalidArgument}));

// ---------------------------------------------------------------------------
// Through the data layer, as the setup program runs its queries

class DirectoryProviderTest : public ::testing::Test {
 protected:
  DirectoryProviderTest() : connection_(registry_) {
    RegisterDirectoryProvider(registry_, Sample());
    connection_.Open("adsDSOobject", "Active Directory Provider");
  }

  std::unique_ptr<ado::Recordset> Run(const std::string& text, ado::Properties extra = {}) {
    ado::Command command;
    command.SetActiveConnection(&connection_);
    command.SetCommandText(text);
    command.GetProperties()["searchscope"] = 2;
    command.GetProperties()["cache results"] = false;
    command.GetProperties()["Chase Referrals"] = 96;
    for (auto& [name, value] : extra) command.GetProperties()[name] = value;
    return command.Execute();
  }

  ado::ProviderRegistry registry_;
  ado::Connection connection_;
};

TEST_F(DirectoryProviderTest, RecordCountIsRealAndFieldsReadByName) {
  auto recordset = Run(std::string("SELECT cn, mail") + kFrom + " WHERE mail='*' ORDER BY cn");
  EXPECT_EQ(recordset->RecordCount(), 5);
  std::vector<std::string> mails;
  for (; !recordset->Eof(); recordset->MoveNext())
    mails.push_back(recordset->Value("MAIL").ToString());
  EXPECT_EQ(mails,
            (std::vector<std::string>{"adam@example.com", "bob@example.com", "olaf@example.com",
                                      "zoe@example.com", "nobody@example.com"}));
  recordset->Close();
}

TEST_F(DirectoryProviderTest, SizeLimitCutsTheSortedAnswer) {
  const std::string text = std::string("SELECT cn") + kFrom + " WHERE mail='*' ORDER BY cn";
  struct {
    int limit;
    long count;
    std::string last;
  } const cases[] = {
      {0, 5, "<null>"}, {1, 1, "Adam"}, {3, 3, "Ölaf"}, {5, 5, "<null>"}, {30000, 5, "<null>"}};
  for (const auto& c : cases) {
    auto recordset = Run(text, {{"Size Limit", c.limit}});
    EXPECT_EQ(recordset->RecordCount(), c.count) << c.limit;
    std::string last;
    for (; !recordset->Eof(); recordset->MoveNext()) {
      const auto value = recordset->Value("cn");
      last = value.IsNull() ? "<null>" : value.ToString();
    }
    EXPECT_EQ(last, c.last) << c.limit;
  }
}

TEST_F(DirectoryProviderTest, AnEmptyAnswerIsAtEofAtOnce) {
  auto recordset = Run(std::string("SELECT cn") + kFrom + " WHERE cn='nobody at all'");
  EXPECT_TRUE(recordset->Eof());
  EXPECT_EQ(recordset->RecordCount(), 0);
}

TEST_F(DirectoryProviderTest, ConnectionExecuteUsesTheDefaults) {
  EXPECT_EQ(connection_.Execute(std::string("SELECT cn") + kFrom)->RecordCount(), 5);
}

TEST_F(DirectoryProviderTest, ErrorsReachTheCaller) {
  EXPECT_EQ(ErrorOf([&] { (void)Run("SELECT * FROM 'GC://dc01.example.com'"); }),
            kErrErrorsInCommand);
  EXPECT_EQ(ErrorOf([&] { (void)Run("SELECT cn FROM 'GC://elsewhere'"); }),
            kErrServerNotOperational);
  EXPECT_EQ(ErrorOf([&] {
              (void)Run(std::string("SELECT cn") + kFrom, {{"Sise Limit", 1}});
            }),
            kErrItemNotFoundInCollection);
}

TEST_F(DirectoryProviderTest, IsReadOnly) {
  EXPECT_EQ(ErrorOf([&] { connection_.BeginTrans(); }), ado::kErrFeatureNotAvailable);
  ado::ConnectionRecord record;
  EXPECT_EQ(ErrorOf([&] {
              record.Open("GC://RootDSE", &connection_, ado::adModeRead, ado::adFailIfNotExists,
                          ado::adOpenRecordUnspecified, "", "");
            }),
            ado::kErrFeatureNotAvailable);
}

TEST(DirectoryProviderRegistrationTest, OpensOnTheDirectoryConnectionStringOnly) {
  ado::ProviderRegistry registry;
  RegisterDirectoryProvider(registry, Sample());
  ado::Connection connection(registry);
  EXPECT_EQ(
      ErrorOf([&] { connection.Open("adsDSOobject", "Provider=ADsDSOObject;Data Source=x"); }),
      kErrInvalidArgument);
  connection.Open("ADSDSOOBJECT", "active directory provider");
  EXPECT_EQ(connection.State(), ado::adStateOpen);
  EXPECT_EQ(ErrorOf([&] { RegisterDirectoryProvider(registry, Sample()); }), kErrInvalidArgument);
}

TEST(DirectoryProviderRegistrationTest, AMissingDirectoryFailsTheQueryNotTheOpen) {
  ado::ProviderRegistry registry;
  RegisterDirectoryProvider(registry, fs::path("/nonexistent/quarvel/server"));
  ado::Connection connection(registry);
  connection.Open("adsDSOobject", "Active Directory Provider");
  EXPECT_EQ(ErrorOf([&] { (void)connection.Execute(std::string("SELECT cn") + kFrom); }),
            kErrNoSuchDomain);
}

TEST(FailingDirectoryTest, FailsTheChosenCallOnly) {
  const FailingDirectory directory(Sample(), 2, kErrAccessDenied);
  EXPECT_EQ(directory.Bind("GC://RootDSE").GetString("dnsHostName"), "dc01.example.com");
  EXPECT_EQ(ErrorOf([&] { (void)directory.Search(std::string("SELECT cn") + kFrom, {}); }),
            kErrAccessDenied);
  EXPECT_EQ(directory.Search(std::string("SELECT cn") + kFrom, {}).rows.size(), 5u);
  EXPECT_EQ(ErrorOf([&] { (void)directory.Bind("GC://nothing"); }), kErrNoSuchObject);
  EXPECT_EQ(directory.Calls(), 4);
}

}  // namespace
}  // namespace quarvel::platform::directory
