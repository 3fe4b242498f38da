#include "platform/store/provider/FolderQuery.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/PlatformError.h"
#include "platform/store/provider/StoreFixture_test_support.h"

namespace quarvel::platform::store {
namespace {

using testing::ListingQuery;

TEST(FolderQueryTest, ReadsTheFolderListingQuery) {
  const auto query = ParseFolderQuery(ListingQuery("http://EXSRV01/Public/Junk Mail"));
  FolderQuery expected;
  expected.select = {"DAV:displayname",
                     "DAV:hassubs",
                     "DAV:parentname",
                     "DAV:href",
                     "DAV:childcount",
                     "http://schemas.microsoft.com/exchange/publicfolderemailaddress",
                     "http://schemas.microsoft.com/mapi/proptag/x6656001e",
                     "http://schemas.microsoft.com/mapi/proptag/x6644001e"};
  expected.traversal = Traversal::kShallow;
  expected.scopeUrl = "http://EXSRV01/Public/Junk Mail";
  expected.where = {{"DAV:ishidden", ado::Variant(false)}, {"DAV:isfolder", ado::Variant(true)}};
  expected.orderBy = QueryOrder{"DAV:displayname", false};
  EXPECT_EQ(query, expected);
}

struct GoodCase {
  const char* name;
  friend void PrintTo(const GoodCase& c, std::ostream* os) { *os << c.name; }
  std::string text;
  FolderQuery expected;
};

class FolderQueryGoodTest : public ::testing::TestWithParam<GoodCase> {};

TEST_P(FolderQueryGoodTest, Reads) {
  EXPECT_EQ(ParseFolderQuery(GetParam().text), GetParam().expected);
}

FolderQuery Query(std::vector<std::string> select, Traversal traversal, std::string url,
                  std::vector<QueryCondition> where = {},
                  std::optional<QueryOrder> order = std::nullopt) {
  return FolderQuery{std::move(select), traversal, std::move(url), std::move(where),
                     std::move(order)};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderQueryGoodTest,
    ::testing::Values(
        GoodCase{"Minimal", "SELECT \"DAV:href\" FROM SCOPE('shallow traversal of \"u\"')",
                 Query({"DAV:href"}, Traversal::kShallow, "u")},
        GoodCase{
            "KeywordsIgnoreCase",
            "sElEcT \"a\" fRoM ScOpE('DeEp TrAvErSaL oF \"u\"') wHeRe \"b\" = tRuE "
            "AnD \"c\" = FALSE oRdEr bY \"a\" DeSc",
            Query({"a"}, Traversal::kDeep, "u",
                  {{"b", ado::Variant(true)}, {"c", ado::Variant(false)}}, QueryOrder{"a", true})},
        GoodCase{"BlanksTabsAndLineBreaks",
                 "\n\tselect\t\"a\"\r\n,\"b\"from scope ( '  shallow   traversal\tof  \"u\"  ' )"
                 "\nwhere\"a\"=1 order by\"b\"asc\n",
                 Query({"a", "b"}, Traversal::kShallow, "u", {{"a", ado::Variant(1)}},
                       QueryOrder{"b", false})},
        GoodCase{"TextValues",
                 "select \"a\" from scope('shallow traversal of \"u\"') where \"a\" = 'it''s' and "
                 "\"b\" = \"say \"\"hi\"\"\" and \"c\" = -42",
                 Query({"a"}, Traversal::kShallow, "u",
                       {{"a", ado::Variant("it's")},
                        {"b", ado::Variant("say \"hi\"")},
                        {"c", ado::Variant(std::int64_t{-42})}})},
        GoodCase{"QuotesInsideTheScope",
                 "select \"a\" from scope('shallow traversal of \"http://h/Public/O''Brien "
                 "\"\"x\"\"\"')",
                 Query({"a"}, Traversal::kShallow, "http://h/Public/O'Brien \"x\"")},
        GoodCase{"FileFormScope",
                 "select \"a\" from scope('deep traversal of "
                 "\"file://./backofficestorage/example.com/Public%20Folders/\"')",
                 Query({"a"}, Traversal::kDeep,
                       "file://./backofficestorage/example.com/Public%20Folders/")}),
    [](const auto& info) { return info.param.name; });

struct BadCase {
  const char* name;
  friend void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }
  std::string text;
  std::size_t offset;  // where reading stopped
};

class FolderQueryBadTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(FolderQueryBadTest, RefusesTheWholeQueryNamingWhereItStopped) {
  try {
    (void)ParseFolderQuery(GetParam().text);
    ADD_FAILURE() << "accepted: " << GetParam().text;
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrInvalidArgument);
    EXPECT_NE(error.Description().find("at offset " + std::to_string(GetParam().offset)),
              std::string::npos)
        << error.Description();
  }
}

const std::string kFrom = " from scope('shallow traversal of \"u\"')";  // 39 characters

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderQueryBadTest,
    ::testing::Values(
        BadCase{"Empty", "", 0}, BadCase{"NotSelect", "update \"a\"" + kFrom, 0},
        BadCase{"Star", "select *" + kFrom, 7},
        BadCase{"UnquotedProperty", "select DAV:href" + kFrom, 7},
        BadCase{"SingleQuotedProperty", "select 'DAV:href'" + kFrom, 7},
        BadCase{"EmptyProperty", "select \"\"" + kFrom, 7},
        BadCase{"UnclosedProperty", "select \"DAV:href from scope('x')", 7},
        BadCase{"TrailingComma", "select \"a\"," + kFrom, 12},
        BadCase{"MissingFrom", "select \"a\" scope('shallow traversal of \"u\"')", 11},
        BadCase{"NoScope", "select \"a\" from 'u'", 16},
        BadCase{"ScopeWithoutQuotes", "select \"a\" from scope(shallow traversal of \"u\")", 22},
        BadCase{"OtherTraversal", "select \"a\" from scope('hierarchical traversal of \"u\"')", 23},
        BadCase{"MissingOf", "select \"a\" from scope('shallow traversal \"u\"')", 41},
        BadCase{"UrlWithoutQuotes", "select \"a\" from scope('shallow traversal of u')", 44},
        BadCase{"EmptyUrl", "select \"a\" from scope('shallow traversal of \"\"')", 44},
        BadCase{"TextAfterUrl", "select \"a\" from scope('shallow traversal of \"u\" x')", 48},
        BadCase{"UnclosedScope", "select \"a\" from scope('shallow traversal of \"u\")", 22},
        BadCase{"MissingParenthesis", "select \"a\" from scope('shallow traversal of \"u\"'", 48},
        BadCase{"Or", "select \"a\"" + kFrom + " where \"a\" = True or \"b\" = False", 67},
        BadCase{"NotEquals", "select \"a\"" + kFrom + " where \"a\" <> True", 60},
        BadCase{"UnquotedWhereProperty", "select \"a\"" + kFrom + " where a = True", 56},
        BadCase{"MissingValue", "select \"a\"" + kFrom + " where \"a\" =", 61},
        BadCase{"UnknownWord", "select \"a\"" + kFrom + " where \"a\" = yes", 62},
        BadCase{"Decimal", "select \"a\"" + kFrom + " where \"a\" = 1.5", 63},
        BadCase{"UnclosedText", "select \"a\"" + kFrom + " where \"a\" = 'x", 62},
        BadCase{"DanglingAnd", "select \"a\"" + kFrom + " where \"a\" = 1 and", 67},
        BadCase{"OrderWithoutBy", "select \"a\"" + kFrom + " order \"a\"", 56},
        BadCase{"OrderByTwo", "select \"a\"" + kFrom + " order by \"a\", \"b\"", 62},
        BadCase{"WhereAfterOrder", "select \"a\"" + kFrom + " order by \"a\" where \"a\" = 1", 63},
        BadCase{"Semicolon", "select \"a\"" + kFrom + ";", 49},
        BadCase{"Garbage", "select \"a\"" + kFrom + " garbage", 50}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quarvel::platform::store
