#include "platform/directory/DirectoryQuery.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/directory/DirectoryErrors.h"
#include "platform/directory/DirectorySearch.h"
#include "platform/directory/Ldif.h"

namespace quarvel::platform::directory {
namespace {

using Kind = Condition::Kind;

Condition Compare(std::string attribute, std::string value) {
  return Condition{Kind::kCompare, std::move(attribute), std::move(value), {}};
}
Condition Of(Kind kind, std::vector<Condition> operands) {
  return Condition{kind, {}, {}, std::move(operands)};
}

TEST(DirectoryQueryTest, ReadsTheRecipientQueryWhole) {
  const auto query = ParseDirectoryQuery(
      "SELECT name, mail, sAMAccountType, mAPIRecipient, userAccountControl, "
      "msExchHideFromAddressLists FROM 'GC://dc01.example.com' WHERE mail='*' AND "
      "((objectcategory='publicFolder') OR (objectcategory='group') OR "
      "(objectcategory='person' AND (objectclass='user' OR objectclass='contact')))   ORDER BY cn");
  EXPECT_EQ(query.select,
            (std::vector<std::string>{"name", "mail", "sAMAccountType", "mAPIRecipient",
                                      "userAccountControl", "msExchHideFromAddressLists"}));
  EXPECT_EQ(query.host, "dc01.example.com");
  EXPECT_EQ(query.hostOffset, 102u);
  const auto person =
      Of(Kind::kAnd,
         {Compare("objectcategory", "person"),
          Of(Kind::kOr, {Compare("objectclass", "user"), Compare("objectclass", "contact")})});
  EXPECT_EQ(query.where,
            Of(Kind::kAnd, {Compare("mail", "*"),
                            Of(Kind::kOr, {Compare("objectcategory", "publicFolder"),
                                           Compare("objectcategory", "group"), person})}));
  EXPECT_EQ(query.orderBy, (SortKey{"cn", false}));
}

struct ShapeCase {
  const char* name;
  std::string where;
  Condition expected;
  friend void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }
};

class DirectoryQueryShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(DirectoryQueryShapeTest, BindsOperatorsByPrecedence) {
  const auto& c = GetParam();
  const auto query = ParseDirectoryQuery("SELECT cn FROM 'GC://h' WHERE " + c.where);
  EXPECT_EQ(query.where, c.expected);
}

const Condition a = Compare("a", "1");
const Condition b = Compare("b", "2");
const Condition c = Compare("c", "3");

INSTANTIATE_TEST_SUITE_P(
    Cases, DirectoryQueryShapeTest,
    ::testing::Values(
        ShapeCase{"AndBeforeOr", "a='1' OR b='2' AND c='3'",
                  Of(Kind::kOr, {a, Of(Kind::kAnd, {b, c})})},
        ShapeCase{"AndBeforeOrOnTheLeft", "a='1' AND b='2' OR c='3'",
                  Of(Kind::kOr, {Of(Kind::kAnd, {a, b}), c})},
        ShapeCase{"ParenthesesFirst", "(a='1' OR b='2') AND c='3'",
                  Of(Kind::kAnd, {Of(Kind::kOr, {a, b}), c})},
        ShapeCase{"NotBeforeAnd", "NOT a='1' AND b='2'", Of(Kind::kAnd, {Of(Kind::kNot, {a}), b})},
        ShapeCase{"NotOfParentheses", "NOT (a='1' OR b='2')",
                  Of(Kind::kNot, {Of(Kind::kOr, {a, b})})},
        ShapeCase{"DoubleNot", "not not a='1'", Of(Kind::kNot, {Of(Kind::kNot, {a})})},
        ShapeCase{"KeywordsAnyCase", "a='1' aNd b='2' oR c='3'",
                  Of(Kind::kOr, {Of(Kind::kAnd, {a, b}), c})},
        ShapeCase{"BlanksAnywhere", "\t( a = '1' )\r\nAND\n(b='2')", Of(Kind::kAnd, {a, b})},
        ShapeCase{"NoBlanksAroundKeywordsAfterQuotes", "a='1'AND b='2'", Of(Kind::kAnd, {a, b})},
        ShapeCase{"DoubledQuote", "cn='Bob''s'", Compare("cn", "Bob's")},
        ShapeCase{"OnlyQuotes", "cn=''''''", Compare("cn", "''")},
        ShapeCase{"EmptyValue", "cn=''", Compare("cn", "")},
        ShapeCase{"KeywordsInsideValues", "cn='x'' OR a=''1'", Compare("cn", "x' OR a='1")},
        ShapeCase{"HyphenatedName", "ms-Exch-Foo='x'", Compare("ms-Exch-Foo", "x")}));

struct RefusedCase {
  const char* name;
  std::string text;
  std::size_t offset;
  std::string expected;  // what the message says was expected
  friend void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }
};

class DirectoryQueryRefusedTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(DirectoryQueryRefusedTest, NamesThePosition) {
  const auto& c = GetParam();
  try {
    (void)ParseDirectoryQuery(c.text);
    FAIL() << "accepted " << c.text;
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrErrorsInCommand);
    const std::string description = error.Description();
    EXPECT_EQ(description.rfind("directory query: expected " + c.expected, 0), 0u) << description;
    EXPECT_NE(description.find(" at offset " + std::to_string(c.offset) + ", found "),
              std::string::npos)
        << description;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DirectoryQueryRefusedTest,
    ::testing::Values(
        RefusedCase{"Empty", "", 0, "SELECT"},
        RefusedCase{"NotASelect", "DELETE FROM 'GC://h'", 0, "SELECT"},
        RefusedCase{"Star", "SELECT * FROM 'GC://h'", 7, "an attribute name"},
        RefusedCase{"NoList", "SELECT FROM 'GC://h'", 7, "an attribute name"},
        RefusedCase{"TrailingComma", "SELECT cn, FROM 'GC://h'", 11, "an attribute name"},
        RefusedCase{"NoFrom", "SELECT cn 'GC://h'", 10, "FROM"},
        RefusedCase{"UnquotedPath", "SELECT cn FROM GC://h", 15, "the directory path"},
        RefusedCase{"LdapProvider", "SELECT cn FROM 'LDAP://h'", 16, "a path starting with"},
        RefusedCase{"ProviderInLowerCase", "SELECT cn FROM 'gc://h'", 16, "a path starting with"},
        RefusedCase{"NoHost", "SELECT cn FROM 'GC://'", 21, "a host name"},
        RefusedCase{"SearchBase", "SELECT cn FROM 'GC://h/DC=example'", 22,
                    "the end of the path after the host"},
        RefusedCase{"UnclosedPath", "SELECT cn FROM 'GC://h", 15, "a closing '"},
        RefusedCase{"UnclosedValue", "SELECT cn FROM 'GC://h' WHERE cn='Bob''s", 33, "a closing '"},
        RefusedCase{"UnquotedValue", "SELECT cn FROM 'GC://h' WHERE sAMAccountType=805306368", 45,
                    "a value in single quotes"},
        RefusedCase{"DoubleQuotes", "SELECT cn FROM 'GC://h' WHERE cn=\"x\"", 33,
                    "a value in single quotes"},
        RefusedCase{"OtherOperator", "SELECT cn FROM 'GC://h' WHERE cn<>'x'", 32, "'='"},
        RefusedCase{"Like", "SELECT cn FROM 'GC://h' WHERE cn LIKE 'x'", 33, "'='"},
        RefusedCase{"DanglingAnd", "SELECT cn FROM 'GC://h' WHERE cn='x' AND", 40,
                    "an attribute name, NOT or '('"},
        RefusedCase{"UnclosedParenthesis", "SELECT cn FROM 'GC://h' WHERE (cn='x'", 37, "')'"},
        RefusedCase{"StrayParenthesis", "SELECT cn FROM 'GC://h' WHERE cn='x')", 36,
                    "WHERE, ORDER BY or the end of the query"},
        RefusedCase{"EmptyWhere", "SELECT cn FROM 'GC://h' WHERE", 29,
                    "an attribute name, NOT or '('"},
        RefusedCase{"OrderWithoutBy", "SELECT cn FROM 'GC://h' ORDER cn", 30, "BY"},
        RefusedCase{"TwoSortKeys", "SELECT cn FROM 'GC://h' ORDER BY cn, sn", 35,
                    "the end of the query"},
        RefusedCase{"WhereAfterOrder", "SELECT cn FROM 'GC://h' ORDER BY cn WHERE cn='x'", 36,
                    "the end of the query"},
        RefusedCase{"Semicolon", "SELECT cn FROM 'GC://h';", 23,
                    "WHERE, ORDER BY or the end of the query"},
        RefusedCase{"KeywordAsName", "SELECT cn FROM 'GC://h' WHERE and='x'", 30,
                    "an attribute name, NOT or '('"},
        RefusedCase{"TooDeep",
                    "SELECT cn FROM 'GC://h' WHERE " + std::string(70, '(') + "cn='x'" +
                        std::string(70, ')'),
                    94, "no more than 64 nested NOTs and parentheses"}));

TEST(DirectoryQueryTest, ALongNotChainIsRefusedNotOverflowed) {
  std::string text = "SELECT cn FROM 'GC://h' WHERE ";
  for (int i = 0; i < 100000; ++i) text += "NOT ";
  text += "cn='x'";
  EXPECT_THROW((void)ParseDirectoryQuery(text), PlatformError);
}

TEST(DirectoryQueryTest, OrderByTakesAscOrDesc) {
  EXPECT_EQ(ParseDirectoryQuery("SELECT cn FROM 'GC://h' ORDER BY sn ASC").orderBy,
            (SortKey{"sn", false}));
  EXPECT_EQ(ParseDirectoryQuery("SELECT cn FROM 'GC://h' order by sn desc").orderBy,
            (SortKey{"sn", true}));
  EXPECT_EQ(ParseDirectoryQuery("SELECT cn FROM 'GC://h'").orderBy, std::nullopt);
}

// ---------------------------------------------------------------------------
// Matching

const char* const kEntries = R"(dn: CN=Alice,CN=Users,DC=example,DC=com
objectClass: top
objectClass: person
objectClass: user
objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Alice
mail: Alice.Martin@Example.com
sAMAccountType:

dn: CN=Bob's Folder,CN=Microsoft Exchange System Objects,DC=example,DC=com
objectClass: top
objectClass: publicFolder
objectCategory: CN=ms-Exch-Public-Folder,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Bob's Folder
mail: bob@example.com

dn: CN=Staff,DC=example,DC=com
objectClass: group
objectCategory: CN=Group,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Staff
description:: w5xCRVJHUsOWU1NF
)";

struct MatchCase {
  const char* name;
  std::string where;
  std::vector<std::string> matches;  // cn of the matching entries
  friend void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.name; }
};

class DirectoryMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(DirectoryMatchTest, MatchesAsTheDirectoryDoes) {
  const auto entries = ParseLdif(kEntries, "entries");
  const auto query = ParseDirectoryQuery("SELECT cn FROM 'GC://h' WHERE " + GetParam().where);
  std::vector<std::string> matches;
  for (const auto& entry : entries) {
    if (ConditionHolds(*query.where, entry)) matches.push_back(entry.Values("cn")->front());
  }
  EXPECT_EQ(matches, GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DirectoryMatchTest,
    ::testing::Values(
        MatchCase{"Presence", "mail='*'", {"Alice", "Bob's Folder"}},
        MatchCase{"PresenceOfAnEmptyValue", "sAMAccountType='*'", {"Alice"}},
        MatchCase{"EmptyValueIsNotAnyValue", "sAMAccountType=''", {"Alice"}},
        MatchCase{"AbsentMatchesNoValue", "description=''", {}},
        MatchCase{"AbsentUnderNot", "NOT mail='*'", {"Staff"}},
        MatchCase{"MultiValuedAnyValue", "objectClass='user'", {"Alice"}},
        MatchCase{"MultiValuedShared", "objectClass='top'", {"Alice", "Bob's Folder"}},
        MatchCase{"AttributeNameIgnoresCase", "OBJECTCLASS='USER'", {"Alice"}},
        MatchCase{"ValueIgnoresCase", "mail='alice.martin@example.COM'", {"Alice"}},
        MatchCase{"ValueIgnoresCaseBeyondAscii", "description='übergrösse'", {"Staff"}},
        MatchCase{"ValueIsWhole", "mail='alice'", {}},
        MatchCase{"DoubledQuote", "cn='Bob''s Folder'", {"Bob's Folder"}},
        MatchCase{"TrailingWildcard", "mail='alice*'", {"Alice"}},
        MatchCase{"LeadingWildcard", "mail='*@example.com'", {"Alice", "Bob's Folder"}},
        MatchCase{"InnerWildcard", "cn='B*s*r'", {"Bob's Folder"}},
        MatchCase{"WildcardPartsDoNotOverlap", "cn='Staf*ff'", {}},
        MatchCase{"CategoryPerson", "objectCategory='person'", {"Alice"}},
        MatchCase{"CategoryUserMeansPerson", "objectCategory='user'", {"Alice"}},
        MatchCase{"CategoryGroup", "objectcategory='group'", {"Staff"}},
        MatchCase{"CategoryPublicFolder", "objectCategory='publicFolder'", {"Bob's Folder"}},
        MatchCase{"CategoryByDn",
                  "objectCategory='cn=group,cn=schema,cn=configuration,dc=example,dc=com'",
                  {"Staff"}},
        MatchCase{"CategoryIsNotASubstring", "objectCategory='Configuration'", {}},
        MatchCase{"DistinguishedName", "distinguishedName='CN=Staff,DC=example,DC=com'", {"Staff"}},
        MatchCase{"OrBindsLooser", "cn='Staff' OR cn='Alice' AND mail='*'", {"Alice", "Staff"}},
        MatchCase{"ParenthesesChangeIt", "(cn='Staff' OR cn='Alice') AND mail='*'", {"Alice"}},
        MatchCase{"NotBindsTighter", "NOT cn='Staff' AND mail='*'", {"Alice", "Bob's Folder"}},
        MatchCase{"TheRecipientFilter",
                  "mail='*' AND ((objectcategory='publicFolder') OR (objectcategory='group') OR "
                  "(objectcategory='person' AND (objectclass='user' OR objectclass='contact')))",
                  {"Alice", "Bob's Folder"}}));

}  // namespace
}  // namespace quarvel::platform::directory
