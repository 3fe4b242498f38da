#include "platform/store/provider/FolderSearch.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/ado/Command.h"
#include "platform/ado/Connection.h"
#include "platform/ado/StaticRecordset.h"
#include "platform/store/provider/StoreFixture_test_support.h"

namespace quarvel::platform::store {
namespace {

using testing::ErrorOf;
using testing::kMessage;
using testing::kRoot;
using testing::ListingQuery;
using testing::Path;
using testing::StoreFixture;
using testing::UrlDecode;

constexpr const char* kAddress = "http://schemas.microsoft.com/exchange/publicfolderemailaddress";
constexpr const char* kX6656 = "http://schemas.microsoft.com/mapi/proptag/x6656001e";
constexpr const char* kX6644 = "http://schemas.microsoft.com/mapi/proptag/x6644001e";

class FolderSearchTest : public StoreFixture {
 protected:
  FolderSearchTest() : connection_(registry_) {
    connection_.Open("ExOLEDB.DataSource", kRoot, "", "");
  }

  // Opens the query on the store connection as the setup program does.
  std::unique_ptr<ado::Recordset> Run(const std::string& text) {
    auto recordset = std::make_unique<ado::StaticRecordset>();
    recordset->Open(text, &connection_);
    return recordset;
  }

  std::vector<std::string> Column(const std::string& text, const std::string& field) {
    std::vector<std::string> values;
    for (auto rs = Run(text); !rs->Eof(); rs->MoveNext()) {
      values.push_back(rs->Value(field).ToString());
    }
    return values;
  }

  ado::Connection connection_;
};

TEST_F(FolderSearchTest, TheListingQueryAnswersVisibleSubfoldersByDisplayName) {
  // Hidden folders and the store's own non_ipm_subtree stay out; "Alpha Team"
  // (directory zeta) and "apple" sort by display name, ignoring case.
  EXPECT_EQ(Column(ListingQuery(kRoot), "DAV:displayname"),
            (std::vector<std::string>{"Alpha Team", "apple", "Denied", "Junk Mail", "Sales"}));
}

TEST_F(FolderSearchTest, EachRowCarriesTheListingFields) {
  auto rs = Run(ListingQuery(kRoot));
  std::map<std::string, std::map<std::string, ado::Variant>> rows;
  EXPECT_EQ(rs->RecordCount(), 5);
  for (; !rs->Eof(); rs->MoveNext()) {
    auto& row = rows[rs->Value("DAV:displayname").ToString()];
    for (const auto& field : rs->FieldNames()) row[field] = rs->Value(field);
  }
  const auto& junk = rows.at("Junk Mail");
  EXPECT_EQ(junk.at("DAV:href"), ado::Variant("http://EXSRV01/Public/Junk Mail"));
  EXPECT_EQ(junk.at("DAV:parentname"), ado::Variant("http://EXSRV01/Public"));
  EXPECT_EQ(junk.at("DAV:hassubs"), ado::Variant(true));
  EXPECT_EQ(junk.at("DAV:childcount"), ado::Variant(1));
  EXPECT_EQ(junk.at(kAddress), ado::Variant("junk@example.com"));
  EXPECT_TRUE(junk.at(kX6656).IsNull());
  EXPECT_TRUE(junk.at(kX6644).IsNull());
  const auto& alpha = rows.at("Alpha Team");
  EXPECT_EQ(alpha.at("DAV:href"), ado::Variant("http://EXSRV01/Public/zeta"));
  EXPECT_EQ(alpha.at("DAV:hassubs"), ado::Variant(false));
  EXPECT_EQ(alpha.at("DAV:childcount"), ado::Variant(0));
  EXPECT_EQ(alpha.at(kAddress), ado::Variant(""));
}

// The setup program walks the tree with the listing query, descending where
// DAV:hassubs is true, and computes each folder's path from DAV:parentname:
// relative = UrlDecode(parentname) without its first len(root URL)
// characters; path = relative + "/" + name when relative is longer than one
// character, else the name alone.
TEST_F(FolderSearchTest, TheSetupProgramsFolderPathsComeOutRight) {
  Folder({"Junk Mail", "Level 1", "Odd+Name 100% \xC3\x84"}, "Odd+Name 100% \xC3\x84", "");
  Folder({"Junk Mail", "Level 1", "Odd+Name 100% \xC3\x84", "Child"}, "Child", "");
  const std::string root = kRoot;
  std::vector<std::string> paths;
  std::function<void(const std::string&)> walk = [&](const std::string& url) {
    std::unique_ptr<ado::Recordset> rs;
    try {
      rs = Run(ListingQuery(url));
    } catch (const PlatformError&) {
      return;  // as the setup program does: nothing listed at this level
    }
    for (; !rs->Eof(); rs->MoveNext()) {
      const std::string parent = UrlDecode(rs->Value("DAV:parentname").ToString());
      const std::string relative = parent.size() > root.size() ? parent.substr(root.size()) : "";
      const std::string name = rs->Value("DAV:displayname").ToString();
      paths.push_back(relative.size() > 1 ? relative + "/" + name : name);
      if (rs->Value("DAV:hassubs") == ado::Variant(true)) {
        walk(rs->Value("DAV:href").ToString());
      }
    }
  };
  walk(root);
  EXPECT_EQ(paths, (std::vector<std::string>{
                       "Alpha Team", "apple", "Denied", "Junk Mail", "Junk Mail/Level 1",
                       "Junk Mail/Level 1/Level 2 Deep", "Junk Mail/Level 1/Odd+Name 100% \xC3\x84",
                       "Junk Mail/Level 1/Odd+Name 100% \xC3\x84/Child", "Sales"}));
}

TEST_F(FolderSearchTest, ParentNamesArePercentEncodedAndHrefsAreNot) {
  Folder({"Junk Mail", "A+B 50%"}, "A+B 50%", "");
  Folder({"Junk Mail", "A+B 50%", "Inner"}, "Inner", "");
  auto rs = Run(ListingQuery("http://EXSRV01/Public/Junk%20Mail/A%2BB%2050%25"));
  ASSERT_FALSE(rs->Eof());
  EXPECT_EQ(rs->Value("DAV:parentname"),
            ado::Variant("http://EXSRV01/Public/Junk%20Mail/A%2BB%2050%25"));
  // Only "%" is encoded in an href, so that the href parses back to its folder.
  EXPECT_EQ(rs->Value("DAV:href"), ado::Variant("http://EXSRV01/Public/Junk Mail/A+B 50%25/Inner"));
  EXPECT_EQ(Column(ListingQuery("http://EXSRV01/Public/Junk Mail"), "DAV:href"),
            (std::vector<std::string>{"http://EXSRV01/Public/Junk Mail/A+B 50%25",
                                      "http://EXSRV01/Public/Junk Mail/Level 1"}));
  EXPECT_EQ(Column(ListingQuery("http://EXSRV01/Public/Junk Mail/A+B 50%25"), "DAV:displayname"),
            std::vector<std::string>{"Inner"});
}

TEST_F(FolderSearchTest, AnswersInTheScopesHttpFormOrWithTheServersHostName) {
  EXPECT_EQ(Column(ListingQuery("https://exsrv01.example.com/public/Junk Mail"), "DAV:href"),
            std::vector<std::string>{"https://exsrv01.example.com/Public/Junk Mail/Level 1"});
  EXPECT_EQ(Column(ListingQuery(testing::kFileRoot + std::string("Junk Mail")), "DAV:href"),
            std::vector<std::string>{"http://EXSRV01/Public/Junk Mail/Level 1"});
  EXPECT_EQ(Column(ListingQuery(testing::kFileRoot + std::string("Junk Mail")), "DAV:parentname"),
            std::vector<std::string>{"http://EXSRV01/Public/Junk%20Mail"});
}

struct SearchCase {
  const char* name;
  friend void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.name; }
  std::string text;
  std::vector<std::string> names;  // DAV:displayname of the rows, in order
};

class FolderSearchCaseTest : public FolderSearchTest,
                             public ::testing::WithParamInterface<SearchCase> {};

TEST_P(FolderSearchCaseTest, AnswersTheRows) {
  EXPECT_EQ(Column(GetParam().text, "DAV:displayname"), GetParam().names);
}

const std::string kSelect = "SELECT \"DAV:displayname\" FROM SCOPE(";

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderSearchCaseTest,
    ::testing::Values(
        SearchCase{"ShallowWithoutWhereShowsHiddenToo",
                   kSelect + "'shallow traversal of \"http://EXSRV01/Public/\"') ORDER BY "
                             "\"DAV:displayname\"",
                   {"Alpha Team", "apple", "Denied", "Hidden Stuff", "Junk Mail", "non_ipm_subtree",
                    "Sales"}},
        // Depth first, parents before children; nothing inside a folder that
        // denies access ("Denied/Inside" stays out).
        SearchCase{"DeepTraversal",
                   kSelect + "'deep traversal of \"http://EXSRV01/Public/Junk Mail\"')",
                   {"Level 1", "Level 2 Deep"}},
        SearchCase{
            "DeepFromTheRootSkipsInsideDeniedFolders",
            kSelect + "'deep traversal of \"http://EXSRV01/Public/\"') WHERE "
                      "\"DAV:ishidden\" = false ORDER BY \"DAV:displayname\" DESC",
            {"Sales", "Level 2 Deep", "Level 1", "Junk Mail", "Denied", "apple", "Alpha Team"}},
        SearchCase{"WhereTextIgnoresCase",
                   kSelect + "'shallow traversal of \"http://EXSRV01/Public\"') WHERE "
                             "\"http://schemas.microsoft.com/exchange/publicfolderemailaddress\" "
                             "= 'SALES@Example.com'",
                   {"Sales"}},
        SearchCase{"WhereNumber",
                   kSelect + "'shallow traversal of \"http://EXSRV01/Public/\"') WHERE "
                             "\"DAV:childcount\" = 1 ORDER BY \"DAV:displayname\"",
                   {"Denied", "Junk Mail"}},
        SearchCase{"WhereUnknownPropertyMatchesNothing",
                   kSelect + "'shallow traversal of \"http://EXSRV01/Public/\"') WHERE "
                             "\"urn:none\" = 'x'",
                   {}},
        SearchCase{"OrderByCountThenStable",
                   kSelect + "'shallow traversal of \"http://EXSRV01/Public/\"') WHERE "
                             "\"DAV:ishidden\" = False ORDER BY \"DAV:childcount\" desc",
                   {"Denied", "Junk Mail", "Sales", "apple", "Alpha Team"}},
        SearchCase{"NoSubfolders",
                   kSelect + "'shallow traversal of \"http://EXSRV01/Public/Sales\"')",
                   {}}),
    [](const auto& info) { return info.param.name; });

TEST_F(FolderSearchTest, UnknownSelectedPropertiesAreNull) {
  auto rs =
      Run("select \"urn:schemas:nothing\", \"DAV:HREF\" from scope('shallow traversal of "
          "\"http://EXSRV01/Public/Junk Mail\"')");
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_TRUE(rs->Value("urn:schemas:nothing").IsNull());
  EXPECT_EQ(rs->Value("DAV:href"), ado::Variant("http://EXSRV01/Public/Junk Mail/Level 1"));
}

TEST_F(FolderSearchTest, ScopesThatCannotBeListedFail) {
  EXPECT_EQ(ErrorOf([&] { (void)Run(ListingQuery("http://EXSRV01/Public/Nowhere")); }),
            kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { (void)Run(ListingQuery("http://EXSRV01/Public/Denied")); }),
            kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] { (void)Run(ListingQuery("http://EXSRV01/Public/Junk Mail/msg1.eml")); }),
            kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { (void)Run(ListingQuery("C:\\Public")); }), kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { (void)Run("select from"); }), kErrInvalidArgument);
}

// The items of one folder, as a restore of quarantined mail lists them.
std::string ItemQuery(const std::string& url, const std::string& where = "") {
  return "SELECT \"DAV:href\", \"DAV:displayname\", \"DAV:parentname\", "
         "\"urn:schemas:httpmail:subject\" FROM SCOPE('shallow traversal of \"" +
         url + "\"') WHERE \"DAV:isfolder\" = False" + where;
}

TEST_F(FolderSearchTest, AnItemQueryAnswersTheScopesItemsNotItsFolders) {
  Store().WriteItem(Path({"Junk Mail", "a 100%.eml"}), kMessage, {});
  Store().WriteItem(Path({"Junk Mail", "Quarvel.reg"}), "",
                    {{"DAV:contentclass", ado::Variant("urn:content-class:storeeventreg")}});
  auto rs = Run(ItemQuery("file://./backofficestorage/example.com/Public%20Folders/Junk%20Mail"));
  std::vector<std::string> hrefs;
  for (; !rs->Eof(); rs->MoveNext()) hrefs.push_back(rs->Value("DAV:href").ToString());
  // "Level 1" is a folder and stays out; the names come sorted, "%" encoded
  // so that the URL names the item again.
  EXPECT_EQ(hrefs, (std::vector<std::string>{"http://EXSRV01/Public/Junk Mail/Quarvel.reg",
                                             "http://EXSRV01/Public/Junk Mail/a 100%25.eml",
                                             "http://EXSRV01/Public/Junk Mail/msg1.eml"}));

  rs = Run(ItemQuery(std::string(kRoot) + "Junk Mail", " AND \"DAV:ishidden\" = False"));
  ASSERT_EQ(rs->RecordCount(), 2);  // the registration is the store's own
  rs->MoveNext();
  EXPECT_EQ(rs->Value("DAV:displayname"), ado::Variant("msg1.eml"));
  EXPECT_EQ(rs->Value("DAV:parentname"), ado::Variant("http://EXSRV01/Public/Junk%20Mail"));
  EXPECT_EQ(rs->Value("urn:schemas:httpmail:subject"), ado::Variant("hi"));

  EXPECT_EQ(Column(ItemQuery(std::string(kRoot) + "Sales"), "DAV:href"),
            std::vector<std::string>{});
  // Asking for folders and items at once asks for nothing.
  EXPECT_EQ(Column(ItemQuery(std::string(kRoot) + "Junk Mail", " AND \"DAV:isfolder\" = True"),
                   "DAV:href"),
            std::vector<std::string>{});
}

TEST_F(FolderSearchTest, ItemsAreNeverListedDeeplyNorInAFolderThatDeniesAccess) {
  EXPECT_EQ(ErrorOf([&] {
              (void)Run("SELECT \"DAV:href\" FROM SCOPE('deep traversal of \"" +
                        std::string(kRoot) + "\"') WHERE \"DAV:isfolder\" = False");
            }),
            kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { (void)Run(ItemQuery(std::string(kRoot) + "Denied")); }),
            kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] { (void)Run(ItemQuery(std::string(kRoot) + "Nowhere")); }), kErrNotFound);
}

TEST_F(FolderSearchTest, ACommandRunsTheSameQuery) {
  ado::Command command;
  command.SetActiveConnection(&connection_);
  command.SetCommandText(ListingQuery("http://EXSRV01/Public/Junk Mail/Level 1"));
  command.GetProperties()["searchscope"] = 2;
  auto rs = command.Execute();
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Value("DAV:displayname"), ado::Variant("Level 2 Deep"));
  EXPECT_EQ(rs->Value("DAV:parentname"),
            ado::Variant("http://EXSRV01/Public/Junk%20Mail/Level%201"));
}

}  // namespace
}  // namespace quarvel::platform::store
