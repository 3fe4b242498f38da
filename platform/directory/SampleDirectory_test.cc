#include "platform/directory/SampleDirectory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/ado/Command.h"
#include "platform/ado/Connection.h"
#include "platform/directory/Directory.h"
#include "platform/directory/DirectoryFile.h"
#include "platform/directory/DirectoryProvider.h"

namespace quarvel::platform::directory {
namespace {

namespace fs = std::filesystem;

// The setup program's side: the global catalog path from GC://RootDSE, a
// connection on "adsDSOobject", and the directory query procedure with its
// standard command properties.
class SampleDirectoryTest : public ::testing::Test {
 protected:
  explicit SampleDirectoryTest(const std::string& administrator = "Administrator")
      : directory_(std::make_shared<const Directory>(
            Directory::FromLdif(SampleDirectoryLdif("MAIL01", administrator), "sample"))),
        connection_(registry_) {
    RegisterDirectoryProvider(registry_, directory_);
    connection_.Open("adsDSOobject", "Active Directory Provider", "", "");
    globalCatalog_ = "GC://" + directory_->Bind("GC://RootDSE").GetString("dnshostname");
  }

  std::unique_ptr<ado::Recordset> Query(const std::string& text, bool recipientProperties = false) {
    ado::Command command;
    command.SetActiveConnection(&connection_);
    command.SetCommandText(text);
    auto& properties = command.GetProperties();
    properties["searchscope"] = 2;
    properties["cache results"] = false;
    properties["Chase Referrals"] = 96;
    if (recipientProperties) {
      properties["Page Size"] = 100;
      properties["Size Limit"] = 30000;
      properties["Timeout"] = 120;
    }
    return command.Execute();
  }

  std::string PersonQuery(const std::string& select, const std::string& user) const {
    std::string quoted;
    for (const char c : user) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return "SELECT " + select + " " + "FROM '" + globalCatalog_ + "' " +
           "WHERE objectcategory='person' AND sAMAccountName='" + quoted + "'";
  }

  std::shared_ptr<const Directory> directory_;
  ado::ProviderRegistry registry_;
  ado::Connection connection_;
  std::string globalCatalog_;
};

TEST_F(SampleDirectoryTest, RootDseNamesTheGlobalCatalog) {
  EXPECT_EQ(globalCatalog_, std::string("GC://") + kSampleDnsHostName);
}

TEST_F(SampleDirectoryTest, TheClusterQueryFindsTheAdministratorsHomeServer) {
  auto recordset = Query(PersonQuery("msExchHomeServerName", "Administrator"));
  ASSERT_EQ(recordset->RecordCount(), 1);
  const std::string value = recordset->Value("msExchHomeServerName").ToString();
  EXPECT_EQ(value,
            "/o=Example/ou=First Administrative Group/cn=Configuration/cn=Servers/cn=MAIL01");
  std::string upper = value;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(upper.substr(upper.rfind("CN=") + 3), "MAIL01");
}

TEST_F(SampleDirectoryTest, TheIdentityQueryFindsTheAdministratorsCategoryInTheDomain) {
  auto recordset = Query(PersonQuery("sAMAccountName, cn, objectCategory", "administrator"));
  ASSERT_EQ(recordset->RecordCount(), 1);
  EXPECT_EQ(recordset->Value("sAMAccountName").ToString(), "Administrator");
  EXPECT_EQ(recordset->Value("cn").ToString(), "Administrator");
  EXPECT_EQ(recordset->Value("objectcategory").ToString(),
            "CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com");
}

TEST_F(SampleDirectoryTest, PersonQueriesFindNoComputerAndNoStranger) {
  EXPECT_EQ(Query(PersonQuery("cn", "MAIL01$"))->RecordCount(), 0);  // a user, but no person
  EXPECT_EQ(Query(PersonQuery("cn", "nobody"))->RecordCount(), 0);
  EXPECT_EQ(Query(PersonQuery("cn", "Bob O'Brien"))->RecordCount(), 0);  // that is his cn
  EXPECT_EQ(Query(PersonQuery("cn", "bob.obrien"))->RecordCount(), 1);
}

// A recipient as the rule editor lists it.
struct Recipient {
  std::string name;
  std::string mail;
  std::string kind;
  bool hidden;
  bool operator==(const Recipient&) const = default;
  friend std::ostream& operator<<(std::ostream& os, const Recipient& r) {
    return os << r.name << " <" << r.mail << "> " << r.kind << (r.hidden ? " hidden" : "");
  }
};

// The recipient kinds, as the rule editor classifies a record.
std::string KindOf(const ado::Recordset& record) {
  const auto type = record.Value("sAMAccountType");
  if (type.IsNull()) return record.Value("mAPIRecipient").IsNull() ? "pf" : "contact";
  const std::string text = type.ToString();
  if (text.empty()) return "user";
  if (text == "805306368") {
    const auto control = std::stoll(record.Value("userAccountControl").ToString());
    return (control & 2) != 0 ? "userdisabled" : "user";
  }
  if (text == "268435456" || text == "268435457") return "group";
  return "contact";
}

TEST_F(SampleDirectoryTest, TheRecipientQueryFindsEveryKindInNameOrder) {
  auto recordset = Query(
      "SELECT name, mail, sAMAccountType, mAPIRecipient, userAccountControl, "
      "msExchHideFromAddressLists "
      "FROM '" +
          globalCatalog_ + "' " +
          "WHERE mail='*' AND ((objectcategory='publicFolder') OR (objectcategory='group') OR "
          "(objectcategory='person' AND (objectclass='user' OR objectclass='contact'))) " +
          "  ORDER BY cn",
      true);
  std::vector<Recipient> recipients;
  for (; !recordset->Eof(); recordset->MoveNext()) {
    const auto hidden = recordset->Value("msExchHideFromAddressLists");
    recipients.push_back({recordset->Value("name").ToString(), recordset->Value("mail").ToString(),
                          KindOf(*recordset), hidden == ado::Variant(true)});
  }
  EXPECT_EQ(recordset->RecordCount(), 22);
  const std::vector<Recipient> expected = {
      {"Administrator", "administrator@example.com", "user", false},
      {"Alice Martin", "alice.martin@example.com", "user", false},
      {"All Staff", "all.staff@example.com", "group", false},
      {"Backup Service", "backup.service@example.com", "user", true},
      {"Board Room", "board@example.com", "pf", false},
      {"Bob O'Brien", "bob.obrien@example.com", "user", false},
      {"Bob's Deals", "bobs.deals@example.com", "pf", false},
      {"Carol Kim", "carol.kim@example.com", "userdisabled", false},
      {"Customers", "customers@example.com", "pf", false},
      {"Dana Lee", "dana.lee@consulting.example.org", "contact", false},
      {"Europe", "europe@example.com", "pf", false},
      {"Helpdesk", "helpdesk@example.com", "contact", false},
      {"Inbox", "inbox@example.com", "pf", false},
      {"Junk Mail", "junk@example.com", "pf", false},
      {"Jürgen Müller", "juergen.mueller@example.com", "user", false},
      {"Leads", "leads@example.com", "pf", false},
      {"Legacy Import", "legacy.import@example.com", "user", false},
      {"Newsletter", "newsletter@example.com", "group", false},
      {"Partner Support", "support@partner.example.net", "contact", false},
      {"Sales", "sales@example.com", "pf", false},
      {"Support Requests", "support@example.com", "pf", false},
      {"Z\u00fcrich \"Ost\"", "zuerich@example.com", "pf", false},
  };
  EXPECT_EQ(recipients, expected);
}

class SampleDirectoryQuotedAdminTest : public SampleDirectoryTest {
 protected:
  SampleDirectoryQuotedAdminTest() : SampleDirectoryTest("O'Neil, Pat") {}
};

TEST_F(SampleDirectoryQuotedAdminTest, AQuoteInTheUserNameIsDoubledInTheQuery) {
  auto recordset = Query(PersonQuery("cn, distinguishedName", "O'Neil, Pat"));
  ASSERT_EQ(recordset->RecordCount(), 1);
  EXPECT_EQ(recordset->Value("cn").ToString(), "O'Neil, Pat");
  EXPECT_EQ(recordset->Value("distinguishedName").ToString(),
            "CN=O'Neil\\, Pat,CN=Users,DC=example,DC=com");
}

TEST(SampleDirectoryWriteTest, WritesAFileTheDirectoryReads) {
  const fs::path root =
      fs::temp_directory_path() / ("sample_directory_" + std::to_string(::getpid()));
  fs::remove_all(root);
  WriteSampleDirectory(root / "server" / kDirectoryFileName, "MAIL01", "Administrator");
  WriteSampleDirectory(root / "server" / kDirectoryFileName, "MAIL02",
                       "Administrator");  // replaces
  const DirectoryFile file(root / "server" / kDirectoryFileName);
  EXPECT_EQ(file.Bind("GC://RootDSE").GetString("dnsHostName"), kSampleDnsHostName);
  const auto rows =
      file.Search("SELECT cn FROM 'GC://dc01.example.com' WHERE objectCategory='computer'", {});
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(rows.rows[0][0], ado::Variant("MAIL02"));
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "server"), fs::directory_iterator()), 1);
  fs::remove_all(root);
}

TEST(SampleDirectoryWriteTest, RefusesNamesThatCannotStandOnALine) {
  for (const std::string name : {"", "a\nb", " lead", ":colon", "tab\there"}) {
    EXPECT_THROW((void)SampleDirectoryLdif("MAIL01", name), PlatformError) << name;
    EXPECT_THROW((void)SampleDirectoryLdif(name, "Administrator"), PlatformError) << name;
  }
}

}  // namespace
}  // namespace quarvel::platform::directory
