// The folder list, the editor's folder tree and its targets, filled from the
// sample store through the program's window: the query text, the marks and
// tooltips from the store and the rules, folder names with quotes and
// letters beyond ASCII, store-wide mode, rule targets that change, a refill
// keeping the selection, sorting with its header mark, and a query that
// fails at one level.
#include "setup/discovery/PublicFolderList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/controls/ColumnHeader.h"
#include "platform/controls/Node.h"
#include "platform/store/provider/FolderQuery.h"
#include "setup/main/RegistrationHarness_test_support.h"

namespace quarvel::setup {
namespace {

using namespace platform::controls;
using testing::FolderRow;
using testing::FolderUrl;
using testing::StorePathOf;

constexpr const char* kZuerich = "Customers/Europe/Z\u00fcrich \"Ost\"";

TEST(FolderListQueryTest, IsTheListingQueryWithTheUrlQuotedAsALiteral) {
  EXPECT_EQ(FolderListQuery("http://MAIL01/Public/"),
            "select \"DAV:displayname\", \"DAV:hassubs\",  \"DAV:parentname\", \"DAV:href\", "
            "\"DAV:childcount\",  \"http://schemas.microsoft.com/exchange/"
            "publicfolderemailaddress\",  \"http://schemas.microsoft.com/mapi/proptag/"
            "x6656001e\",  \"http://schemas.microsoft.com/mapi/proptag/x6644001e\" From  "
            "scope('shallow traversal of \"http://MAIL01/Public/\"') where \"DAV:ishidden\" = "
            "False and \"DAV:isfolder\" = True  ORDER BY \"DAV:displayname\" ");
  EXPECT_NE(FolderListQuery("http://MAIL01/Public/Bob's Deals")
                .find("\"http://MAIL01/Public/Bob''s Deals\"')"),
            std::string::npos);
  const std::string urls[] = {"http://MAIL01/Public/Bob's Deals",
                              std::string("http://MAIL01/Public/") + kZuerich,
                              "http://h/Public/a''b\"\"c'd\""};
  for (const std::string& url : urls) {
    SCOPED_TRACE(url);
    const auto query = platform::store::ParseFolderQuery(FolderListQuery(url));
    EXPECT_EQ(query.scopeUrl, url);
    EXPECT_EQ(query.traversal, platform::store::Traversal::kShallow);
    EXPECT_EQ(query.where.size(), 2u);
    ASSERT_TRUE(query.orderBy.has_value());
    EXPECT_EQ(query.orderBy->property, "DAV:displayname");
  }
}

class FolderListTest : public testing::RegistrationHarness {
 protected:
  std::vector<std::string> Keys() {
    std::vector<std::string> keys;
    for (const auto& row : Form().ListView1.ListItems()) keys.push_back(row.Key());
    return keys;
  }
  std::string Selected() {
    const ListItem* row = Form().ListView1.SelectedItem();
    return row == nullptr ? "(none)" : row->Text();
  }
};

TEST_F(FolderListTest, MarksComeFromTheStoreAndTheRules) {
  SeedFolderItem({"Sales"});
  SeedFolderItem({"Inbox"});
  // A rule target by URL (in another case), one by address, and a
  // registered folder that is a target as well.
  WriteRules({"http://mail01/public/JUNK MAIL", "support@example.com", FolderUrl("Inbox")});
  Show();
  const std::vector<FolderRow> expected = {
      {"Board Room", "accessdenied"},    {"Bob's Deals", "unchecked"}, {"Customers", "unchecked"},
      {"Customers/Europe", "unchecked"}, {kZuerich, "unchecked"},      {"Inbox", "checked", true},
      {"Junk Mail", "targetpf"},         {"Sales", "checked", true},   {"Sales/Leads", "unchecked"},
      {"Support Requests", "targetpf"},
  };
  EXPECT_EQ(Rows(), expected);
  EXPECT_EQ(Log(), "");

  struct Tips {
    const char* path;
    std::string row, name, address;
  };
  for (const Tips& tips : {Tips{"Junk Mail", "[RULE TARGET] " + FolderUrl("Junk Mail"),
                                "[RULE TARGET] Junk Mail", "[RULE TARGET] junk@example.com"},
                           Tips{"Board Room", "[ACCESS DENIED] " + FolderUrl("Board Room"),
                                "[ACCESS DENIED] Board Room", "[ACCESS DENIED] board@example.com"},
                           Tips{"Sales", FolderUrl("Sales"), "Sales", "sales@example.com"}}) {
    SCOPED_TRACE(tips.path);
    const ListItem& row = Row(tips.path);
    EXPECT_EQ(row.ToolTipText(), tips.row);
    ASSERT_EQ(row.ListSubItems().Count(), 2);
    EXPECT_EQ(row.ListSubItems()(1).ToolTipText(), tips.name);
    EXPECT_EQ(row.ListSubItems()(2).ToolTipText(), tips.address);
    EXPECT_FALSE(row.Bold());
  }
  EXPECT_EQ(Row("Sales/Leads").ColumnText(1), "Leads");
  EXPECT_EQ(Row("Sales/Leads").ColumnText(2), "leads@example.com");
}

TEST_F(FolderListTest, NamesWithQuotesAndLettersBeyondAsciiSurviveTheWalk) {
  Show();
  const ListItem& row = Row(kZuerich);
  EXPECT_EQ(row.Key(), FolderUrl(kZuerich));
  EXPECT_EQ(row.Text(), kZuerich);
  EXPECT_EQ(row.ColumnText(1), "Z\u00fcrich \"Ost\"");
  EXPECT_EQ(row.ColumnText(2), "zuerich@example.com");
  EXPECT_EQ(Row("Bob's Deals").ColumnText(1), "Bob's Deals");

  // Below both, the walk went on: each query quoted its folder's URL.
  const auto& nodes = program_->Editor().TreeView1.Nodes();
  const Node* below = nodes.Find(FolderUrl(std::string(kZuerich) + "/R\u00e9clamations"));
  ASSERT_NE(below, nullptr);
  ASSERT_NE(below->Parent(), nullptr);
  EXPECT_EQ(below->Parent()->Key(), FolderUrl(kZuerich));
  EXPECT_EQ(below->Text(), "R\u00e9clamations");
  const Node* offers = nodes.Find(FolderUrl("Bob's Deals/Old Offers"));
  ASSERT_NE(offers, nullptr);
  EXPECT_EQ(offers->Parent()->Key(), FolderUrl("Bob's Deals"));
}

TEST_F(FolderListTest, TheTreeAndTheTargetsHoldEveryFolderInWalkOrder) {
  Show();
  const std::vector<std::string> walk = {"Archive",
                                         "Archive/Old Spam",
                                         "Board Room",
                                         "Bob's Deals",
                                         "Bob's Deals/Old Offers",
                                         "Customers",
                                         "Customers/Europe",
                                         kZuerich,
                                         std::string(kZuerich) + "/R\u00e9clamations",
                                         "Inbox",
                                         "Junk Mail",
                                         "Junk Mail/Quarantine",
                                         "Sales",
                                         "Sales/Leads",
                                         "Sales/Leads/2026 Q4",
                                         "Support Requests"};
  const frmAddEdit& editor = program_->Editor();
  std::vector<std::string> nodes, targets, expectedNodes, expectedTargets;
  for (const Node& node : editor.TreeView1.Nodes()) {
    nodes.push_back(node.Key());
    const bool denied = node.Key() == FolderUrl("Board Room");
    EXPECT_EQ(node.Image(), denied ? "accessdenied" : "pf") << node.Key();
    EXPECT_EQ(node.Bold(), !denied) << node.Key();
    const auto slash = node.Key().rfind('/');
    const std::string parent =
        node.Key().substr(0, slash + 1) == testing::kRoot ? "" : node.Key().substr(0, slash);
    EXPECT_EQ(node.Parent() == nullptr ? "" : node.Parent()->Key(), parent) << node.Key();
  }
  for (int i = 0; i < editor.ComboTargets.ListCount(); ++i) {
    targets.push_back(editor.ComboTargets.List(i));
  }
  for (const auto& path : walk) {
    expectedNodes.push_back(FolderUrl(path));
    if (path != "Board Room") expectedTargets.push_back(FolderUrl(path));
  }
  EXPECT_EQ(nodes, expectedNodes);
  EXPECT_EQ(targets, expectedTargets);
  EXPECT_TRUE(program_->Window().listReady);
}

TEST_F(FolderListTest, StoreWideModeShowsPfAndNeverAChecked) {
  SeedItem(testing::StoreWideItem());
  SeedFolderItem({"Sales"});
  WriteRules({FolderUrl("Junk Mail")});
  Show();
  for (const FolderRow& row : Rows()) {
    const std::string want = row.path == "Board Room"  ? "accessdenied"
                             : row.path == "Junk Mail" ? "targetpf"
                                                       : "pf";
    EXPECT_EQ(row, (FolderRow{row.path, want})) << row.path;
  }
  EXPECT_EQ(Form().ListView1.BorderStyle(), ListBorderStyle::kFlat);
  EXPECT_EQ(Form().ListView1.BackColor(), Color::System(SystemColor::kInactiveBorder));
  EXPECT_EQ(Form().Frame2.Caption(), "Mail-enabled Public Folders");
  EXPECT_EQ(Form().Label1.Caption(),
            "As Quarvel application is registered store-wide, you can not provide per-folder "
            "registration.");
  EXPECT_EQ(Form().btnRegisterSW.Caption(), "Unregister");
}

TEST_F(FolderListTest, ARetargetedRuleMovesTheMarkAndUnregistersTheNewTarget) {
  for (const bool storeWide : {false, true}) {
    SCOPED_TRACE(storeWide ? "store-wide" : "per folder");
    if (storeWide) SeedItem(testing::StoreWideItem());
    SeedFolderItem({"Sales"});
    WriteRules({FolderUrl("Junk Mail"), "inbox@example.com"});
    Show();
    const std::string free = storeWide ? "pf" : "unchecked";
    EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", storeWide ? "pf" : "checked", !storeWide}));

    // The editor's OK: the rule list is saved and read back, then the marks follow.
    WriteRules({FolderUrl("sales"), "inbox@example.com"});
    program_->Rules().LoadRules();
    program_->Folders().CorrelatePFList(FolderUrl("Junk Mail"), FolderUrl("sales"));
    EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", "targetpf"}));
    EXPECT_FALSE(FolderItemExists({"Sales"})) << "a rule target stays registered";
    EXPECT_EQ(Seen("Junk Mail"), (FolderRow{"Junk Mail", free}));
    EXPECT_EQ(Row("Sales").ToolTipText(), "[RULE TARGET] " + FolderUrl("Sales"));

    // A folder another rule still targets keeps its mark; by address too.
    WriteRules({"inbox@example.com", FolderUrl("Inbox")});
    program_->Rules().LoadRules();
    program_->Folders().CorrelatePFList(FolderUrl("Sales"), FolderUrl("Inbox"));
    EXPECT_EQ(Seen("Inbox"), (FolderRow{"Inbox", "targetpf"}));
    EXPECT_EQ(Seen("Sales"), (FolderRow{"Sales", free}));
    program_->Folders().CorrelatePFList("inbox@example.com", "leads@example.com");
    EXPECT_EQ(Seen("Inbox"), (FolderRow{"Inbox", "targetpf"}));
    EXPECT_EQ(Seen("Sales/Leads"), (FolderRow{"Sales/Leads", "targetpf"}));

    // Every rule deleted: no row is a target any more.
    WriteRules({});
    program_->Rules().LoadRules();
    program_->Folders().TransformAllTargetsInPFList();
    for (const FolderRow& row : Rows()) {
      EXPECT_EQ(row.mark, row.path == "Board Room" ? "accessdenied" : free) << row.path;
    }
    EXPECT_EQ(Log(), "");
    if (storeWide) Store().DeleteItem(testing::StoreWideItem());
  }
}

TEST_F(FolderListTest, ARefillKeepsTheSelectedRowElseTheFirst) {
  Show();
  EXPECT_EQ(Selected(), "Board Room") << "the first row after the initial sort";
  // Selected from the keyboard, then sorted by name: the row is remembered.
  Row("Sales/Leads").SetSelected(true);
  ASSERT_TRUE(Form().ListView1.UserClickColumn(Form().ListView1.ColumnHeaders()(2)));
  EXPECT_EQ(program_->Folders().SelectedFolderKey(), FolderUrl("Sales/Leads"));
  ASSERT_TRUE(Form().cmdRefreshFolders.UserClick());
  EXPECT_EQ(Selected(), "Sales/Leads");
  EXPECT_EQ(Form().ListView1.ListItems()(1).Text(), "Board Room") << "sorted by path again";
  EXPECT_EQ(Form().ListView1.SortKey(), 0);

  // The mouse released over the list leaves nothing selected; a refill
  // still brings the remembered row back.
  ASSERT_TRUE(Form().ListView1.UserMouseUp());
  EXPECT_EQ(Selected(), "(none)");
  ASSERT_TRUE(Form().cmdRefreshFolders.UserClick());
  EXPECT_EQ(Selected(), "Sales/Leads");

  // Selected and not sorted since: a refill keeps it all the same.
  Row("Inbox").SetSelected(true);
  ASSERT_TRUE(Form().cmdRefreshFolders.UserClick());
  EXPECT_EQ(Selected(), "Inbox");
  Row("Sales/Leads").SetSelected(true);

  // Gone from the list (hidden now): the first row is selected instead.
  Store().CreateFolder(StorePathOf({"Sales", "Leads"}),
                       {"Leads", "leads@example.com", /*hidden=*/true, false});
  ASSERT_TRUE(Form().cmdRefreshFolders.UserClick());
  EXPECT_EQ(Form().ListView1.ListItems().Find(FolderUrl("Sales/Leads")), nullptr);
  EXPECT_EQ(Selected(), "Board Room");
}

TEST_F(FolderListTest, AColumnClickSortsAndMarksOnlyThatHeader) {
  Show();
  ListView& list = Form().ListView1;
  const auto formats = [&] {
    std::vector<std::pair<int, int>> headers;
    for (const ColumnHeader& column : list.ColumnHeaders()) {
      headers.emplace_back(column.HeaderFormat(), column.HeaderImage());
    }
    return headers;
  };
  using Headers = std::vector<std::pair<int, int>>;
  EXPECT_EQ(formats(), (Headers{{0x5800, 0}, {0x4000, -1}, {0x4000, -1}}));

  ASSERT_TRUE(list.UserClickColumn(list.ColumnHeaders()(2)));
  EXPECT_EQ(formats(), (Headers{{0x4000, -1}, {0x5800, 0}, {0x4000, -1}}));
  EXPECT_EQ(list.ListItems()(1).ColumnText(1), "Board Room");
  EXPECT_EQ(list.ListItems()(list.ListItems().Count()).ColumnText(1), "Z\u00fcrich \"Ost\"");
  ASSERT_TRUE(list.UserClickColumn(list.ColumnHeaders()(2)));
  EXPECT_EQ(formats(), (Headers{{0x4000, -1}, {0x5800, 1}, {0x4000, -1}}));
  EXPECT_EQ(list.ListItems()(1).ColumnText(1), "Z\u00fcrich \"Ost\"");

  // A right-aligned column keeps its alignment, marked or not.
  list.ColumnHeaders()(3).SetAlignment(TextAlignment::kRight);
  ASSERT_TRUE(list.UserClickColumn(list.ColumnHeaders()(3)));
  EXPECT_EQ(formats(), (Headers{{0x4000, -1}, {0x4000, -1}, {0x5801, 0}}));
  EXPECT_EQ(list.ListItems()(1).ColumnText(2), "board@example.com");
  ASSERT_TRUE(list.UserClickColumn(list.ColumnHeaders()(1)));
  EXPECT_EQ(formats(), (Headers{{0x5800, 0}, {0x4000, -1}, {0x4001, -1}}));
}

TEST_F(FolderListTest, AFailingQueryListsNothingBelowItsFolderAndLogsNothing) {
  // The queries run in walk order: the root, Archive, Bob's Deals, Customers, ...
  platform_.FailStoreCall(platform::store::ProviderCall::kExecute, 4);
  Show();
  const auto keys = Keys();
  EXPECT_NE(std::find(keys.begin(), keys.end(), FolderUrl("Customers")), keys.end());
  EXPECT_EQ(std::find(keys.begin(), keys.end(), FolderUrl("Customers/Europe")), keys.end());
  EXPECT_NE(std::find(keys.begin(), keys.end(), FolderUrl("Sales/Leads")), keys.end())
      << "the walk stopped at the failing level";
  EXPECT_EQ(platform_.StoreFailures().failed, 1);
  EXPECT_EQ(Log(), "");

  // The root's query failing leaves every list empty, without a word.
  platform_.FailStoreCall(platform::store::ProviderCall::kExecute, 0);
  ASSERT_TRUE(Form().cmdRefreshFolders.UserClick());
  EXPECT_EQ(Form().ListView1.ListItems().Count(), 0);
  EXPECT_EQ(program_->Editor().TreeView1.Nodes().Count(), 0);
  EXPECT_EQ(program_->Editor().ComboTargets.ListCount(), 0);
  EXPECT_EQ(Log(), "");
  EXPECT_TRUE(program_->Window().listReady);
}

}  // namespace
}  // namespace quarvel::setup
