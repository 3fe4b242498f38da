// The directory's recipients as the rule editor lists them (their kinds, the
// address list, hidden, disabled, duplicate and unusable addresses, the
// progress run) and the identity proposed for the component application.
#include "setup/discovery/DirectoryRecipients.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/PlatformError.h"
#include "setup/main/TestPlatform_test_support.h"

namespace quarvel::setup {
namespace {

using testing::TestPlatform;
using testing::TestPlatformOptions;

constexpr const char* kPersonCategory = "CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com";

// The directory's root entry, then `entries` (LDIF blocks without "dn:").
std::string Ldif(const std::vector<std::string>& entries) {
  std::string ldif = "version: 1\n\ndn:\ndnsHostName: dc01.example.com\n";
  int n = 0;
  for (const std::string& entry : entries) {
    ldif += "\ndn: CN=Entry" + std::to_string(++n) + ",DC=example,DC=com\n" + entry;
  }
  return ldif;
}

// A person or group entry named `cn` with `mail` and further lines.
std::string Recipient(const std::string& cn, const std::string& mail, const std::string& more,
                      const std::string& category = kPersonCategory) {
  return "objectClass: user\nobjectCategory: " + category + "\ncn: " + cn + "\nname: " + cn +
         "\nmail: " + mail + "\n" + more;
}

struct Row {
  std::string key;
  std::string kind;
  std::string displayName;
  bool operator==(const Row&) const = default;
  friend void PrintTo(const Row& row, std::ostream* os) {
    *os << row.key << " [" << row.kind << "] " << row.displayName;
  }
};

class RecipientsTest : public ::testing::Test {
 protected:
  explicit RecipientsTest(TestPlatformOptions options = {}) : platform_(std::move(options)) {}

  // Start-up, then the recipient fill alone.
  void Fill() {
    program_->Load();
    program_->Recipients().GetADMailEnabledRecipients();
  }
  std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (auto& item : program_->Editor().ListView1.ListItems()) {
      EXPECT_EQ(item.Text(), item.Key());
      rows.push_back({item.Key(), item.SmallIcon(), item.ColumnText(1)});
    }
    return rows;
  }
  std::vector<std::string> Addresses() {
    const auto& combo = program_->Editor().ComboEmailAddresses;
    std::vector<std::string> addresses;
    for (int i = 0; i < combo.ListCount(); ++i) addresses.push_back(combo.List(i));
    return addresses;
  }

  TestPlatform platform_;
  std::unique_ptr<SetupProgram> program_ = platform_.MakeProgram();
};

TEST_F(RecipientsTest, SampleDirectoryGivesEveryKindInNameOrder) {
  Fill();
  const std::vector<Row> expected = {
      {"administrator@example.com", "user", "Administrator"},
      {"all.staff@example.com", "group", "All Staff"},
      {"board@example.com", "pf", "Board Room"},
      {"bob.obrien@example.com", "user", "Bob O'Brien"},
      {"bobs.deals@example.com", "pf", "Bob's Deals"},
      {"carol.kim@example.com", "userdisabled", "Carol Kim"},
      {"customers@example.com", "pf", "Customers"},
      {"dana.lee@consulting.example.org", "contact", "Dana Lee"},
      {"europe@example.com", "pf", "Europe"},
      // A domain-local group is a group, not a contact.
      {"helpdesk@example.com", "group", "Helpdesk"},
      {"inbox@example.com", "pf", "Inbox"},
      {"junk@example.com", "pf", "Junk Mail"},
      {"juergen.mueller@example.com", "user", "J\u00fcrgen M\u00fcller"},
      {"leads@example.com", "pf", "Leads"},
      // sAMAccountType present but empty.
      {"legacy.import@example.com", "user", "Legacy Import"},
      {"newsletter@example.com", "group", "Newsletter"},
      {"support@partner.example.net", "contact", "Partner Support"},
      {"sales@example.com", "pf", "Sales"},
      {"support@example.com", "pf", "Support Requests"},
      {"zuerich@example.com", "pf", "Z\u00fcrich \"Ost\""},
  };
  // Alice is left out above only to keep the table short; she is checked here.
  // The rule editor keeps its recipients list sorted by address.
  std::vector<Row> rows = Rows();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[1], (Row{"alice.martin@example.com", "user", "Alice Martin"}));
  rows.erase(rows.begin() + 1);
  std::vector<Row> byAddress = expected;
  std::sort(byAddress.begin(), byAddress.end(),
            [](const Row& a, const Row& b) { return a.key < b.key; });
  EXPECT_EQ(rows, byAddress);

  // The address list: everyone listed but the disabled user, in the query's
  // order; the hidden mailbox is in neither list.
  std::vector<std::string> addresses = Addresses();
  std::vector<std::string> offered;
  for (const Row& row : expected) {
    if (row.kind != "userdisabled") offered.push_back(row.key);
  }
  offered.insert(offered.begin() + 1, "alice.martin@example.com");
  EXPECT_EQ(addresses, offered);
  for (const auto& address : addresses) EXPECT_NE(address, "backup.service@example.com");

  // One progress step per record the query returned, the hidden one included.
  EXPECT_EQ(program_->Window().progressCounter, 22);
  EXPECT_DOUBLE_EQ(program_->Form().Picture1.ScaleWidth(), 22);
  EXPECT_FALSE(program_->Form().Picture1.Visible());
  // Once per record, and once as the editor sorted its list when it was created.
  EXPECT_EQ(platform_.Services().doEventsCount, 22 + 1);
  EXPECT_EQ(program_->Form().txtErr.Text(), "");
}

struct KindCase {
  const char* name;
  friend void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }
  std::string entry;
  std::string kind;  // "" when it is listed nowhere
  bool offered;      // in the address list
};

class RecipientKindTest : public RecipientsTest, public ::testing::WithParamInterface<KindCase> {
 protected:
  RecipientKindTest() : RecipientsTest(TestPlatformOptions{.ldif = Ldif({GetParam().entry})}) {}
};

TEST_P(RecipientKindTest, ClassifiesByAccountTypeAndFlags) {
  const KindCase& c = GetParam();
  Fill();
  const std::vector<Row> rows = Rows();
  if (c.kind.empty()) {
    EXPECT_TRUE(rows.empty());
  } else {
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, c.kind);
  }
  EXPECT_EQ(Addresses().size(), c.offered ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RecipientKindTest,
    ::testing::Values(
        KindCase{"EnabledUser", Recipient("A", "a@x.com", "sAMAccountType: 805306368\n"), "user",
                 true},
        KindCase{"DisabledUser",
                 Recipient("A", "a@x.com", "sAMAccountType: 805306368\nuserAccountControl: 514\n"),
                 "userdisabled", false},
        KindCase{
            "OtherFlagsOnly",
            Recipient("A", "a@x.com", "sAMAccountType: 805306368\nuserAccountControl: 66048\n"),
            "user", true},
        KindCase{"GlobalGroup", Recipient("G", "g@x.com", "sAMAccountType: 268435456\n"), "group",
                 true},
        KindCase{"DistributionGroup", Recipient("G", "g@x.com", "sAMAccountType: 268435457\n"),
                 "group", true},
        KindCase{"AliasGroup", Recipient("G", "g@x.com", "sAMAccountType: 536870912\n"), "group",
                 true},
        KindCase{"NonSecurityAliasGroup", Recipient("G", "g@x.com", "sAMAccountType: 536870913\n"),
                 "group", true},
        KindCase{"OtherAccountType", Recipient("M", "m@x.com", "sAMAccountType: 805306369\n"),
                 "contact", true},
        KindCase{"MailRecipientOnly", Recipient("C", "c@x.com", "mAPIRecipient: FALSE\n"),
                 "contact", true},
        KindCase{"NeitherIsAPublicFolder",
                 Recipient("P", "p@x.com", "",
                           "CN=ms-Exch-Public-Folder,CN=Schema,CN=Configuration,DC=example,DC="
                           "com"),
                 "pf", true},
        KindCase{"ShownInAddressLists",
                 Recipient("A", "a@x.com", "msExchHideFromAddressLists: FALSE\n"), "pf", true},
        KindCase{"Hidden", Recipient("A", "a@x.com", "msExchHideFromAddressLists: TRUE\n"), "",
                 false},
        // "a@x.com\r\nBcc: b@y.com" in base64: a line break inside the address.
        KindCase{"LineBreakInAddress",
                 "objectClass: user\nobjectCategory: " + std::string(kPersonCategory) +
                     "\ncn: A\nmail:: YUB4LmNvbQ0KQmNjOiBiQHkuY29t\n",
                 "", false},
        // "a@x.com<TAB>" in base64.
        KindCase{"TabInAddress",
                 "objectClass: user\nobjectCategory: " + std::string(kPersonCategory) +
                     "\ncn: A\nmail:: YUB4LmNvbQk=\n",
                 "", false}),
    [](const auto& info) { return std::string(info.param.name); });

class DuplicateAddressTest : public RecipientsTest {
 protected:
  DuplicateAddressTest()
      : RecipientsTest(TestPlatformOptions{
            .ldif = Ldif({Recipient("Anna", "shared@x.com", "sAMAccountType: 805306368\n"),
                          Recipient("Berta", "shared@x.com", "sAMAccountType: 268435456\n"),
                          Recipient("  Carl  ", "carl@x.com", "")})}) {}
};

TEST_F(DuplicateAddressTest, OneRowButEveryAddressOffered) {
  Fill();
  // Sorted by address in the list; in query order in the address list.
  EXPECT_EQ(Rows(),
            (std::vector<Row>{{"carl@x.com", "pf", "Carl"}, {"shared@x.com", "user", "Anna"}}));
  EXPECT_EQ(Addresses(), (std::vector<std::string>{"shared@x.com", "shared@x.com", "carl@x.com"}));
}

class RecipientQueryFailureTest : public RecipientsTest {
 protected:
  // Call 1 binds GC://RootDSE at start-up; call 2 is the recipient query.
  RecipientQueryFailureTest()
      : RecipientsTest(TestPlatformOptions{.ldif = {}, .failingDirectoryCall = 2}) {}
};

TEST_F(RecipientQueryFailureTest, LeavesBothListsEmptyAndSaysNothing) {
  Fill();
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(Addresses().empty());
  EXPECT_FALSE(program_->Form().Picture1.Visible());
  EXPECT_EQ(program_->Form().txtErr.Text(), "");
}

TEST(DnsDomainOfCategoryTest, JoinsTheDomainComponents) {
  const std::pair<const char*, const char*> cases[] = {
      {"CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com", "example.com"},
      {"cn=Person,dc=sub, DC=Example ,DC=com", "sub.Example.com"},
      {"CN=Person,DC=example,DC=com,OU=After", "example.com"},
      {"CN=Person,DC=corp", "corp"},
      {"CN=Person,CN=Schema", ""},
      {"CN=Person,DC=", ""},
      {"", ""},
  };
  for (const auto& [category, domain] : cases) {
    EXPECT_EQ(DnsDomainOfCategory(category), domain) << category;
  }
}

TEST(IsUsableAddressTest, RefusesEmptyAndControlCharacters) {
  EXPECT_TRUE(IsUsableAddress("a@x.com"));
  EXPECT_TRUE(IsUsableAddress("j\u00fcrgen@x.com"));
  for (const char* bad : {"", "a@x.com\n", "a\r@x.com", "a@x.com\t", "a\x7f@x.com", "a\u0085@x.com",
                          "a\u2028@x.com"}) {
    EXPECT_FALSE(IsUsableAddress(bad)) << bad;
  }
}

// --- Identity ----------------------------------------------------------------------------

struct IdentityCase {
  const char* name;
  friend void PrintTo(const IdentityCase& c, std::ostream* os) { *os << c.name; }
  std::optional<std::string> ldif;  // the sample directory when not given
  std::string lanGroup;
  std::string userName;
  std::string identity;
};

class IdentityTest : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(IdentityTest, LanGroupWinsOverTheDirectorysDomain) {
  const IdentityCase& c = GetParam();
  TestPlatform platform(TestPlatformOptions{.ldif = c.ldif});
  platform.Host().Facts().lanGroup = c.lanGroup;
  platform.Host().Facts().userName = c.userName;
  auto program = platform.MakeProgram();
  program->Load();
  program->Form().txtIdent.SetText("previous");
  program->Recipients().FillIdentityField();
  EXPECT_EQ(program->Form().txtIdent.Text(), c.identity);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, IdentityTest,
    ::testing::Values(
        IdentityCase{"LanGroup", {}, "EXAMPLE", "Administrator", "EXAMPLE\\Administrator"},
        IdentityCase{
            "DirectoryWithoutLanGroup", {}, "", "Administrator", "example.com\\Administrator"},
        IdentityCase{"LanGroupWithoutDirectoryEntry", {}, "EXAMPLE", "nobody", "EXAMPLE\\nobody"},
        IdentityCase{"Neither", {}, "", "nobody", ""},
        IdentityCase{
            "QuoteInUserName",
            Ldif({"objectClass: user\nobjectCategory: CN=Person,CN=Schema,CN=Configuration,"
                  "DC=corp,DC=example,DC=net\nsAMAccountName: O'Hara\n"}),
            "", "O'Hara", "corp.example.net\\O'Hara"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IdentityFailureTest, AFailingQueryKeepsTheFieldAndReachesTheCaller) {
  // Call 1 binds GC://RootDSE at start-up; call 2 is the identity query.
  TestPlatform platform(TestPlatformOptions{.ldif = {}, .failingDirectoryCall = 2});
  auto program = platform.MakeProgram();
  program->Load();
  program->Form().txtIdent.SetText("previous");
  EXPECT_THROW(program->Recipients().FillIdentityField(), platform::PlatformError);
  EXPECT_EQ(program->Form().txtIdent.Text(), "previous");
}

TEST(WorkstationDomainTest, AnswersThisComputersLanGroup) {
  TestPlatform platform;
  auto program = platform.MakeProgram();
  EXPECT_EQ(program->Recipients().GetWorkstationDomain(), "EXAMPLE");
  platform.Host().Facts().lanGroup = "";
  EXPECT_EQ(program->Recipients().GetWorkstationDomain(), "");
}

}  // namespace
}  // namespace quarvel::setup
