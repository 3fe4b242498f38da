#include "setup/ui/modShowListViewColumnHeaderSortIcon.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/controls/ColumnHeader.h"
#include "platform/controls/ListView.h"
#include "platform/controls/ScriptedWindowServices_test_support.h"

namespace quarvel::setup {
namespace {

using namespace platform::controls;

TEST(FlipSortOrderTest, ZeroBecomesOneAndEverythingElseZero) {
  EXPECT_EQ(FlipSortOrder(0), 1);
  EXPECT_EQ(FlipSortOrder(1), 0);
  EXPECT_EQ(FlipSortOrder(7), 0);
  EXPECT_EQ(FlipSortOrder(-1), 0);
}

class SortMarkTest : public testing::Test {
 protected:
  SortMarkTest() {
    list.ColumnHeaders().Add("Folder path");
    list.ColumnHeaders().Add("Name", 1440, TextAlignment::kRight);
    list.ColumnHeaders().Add("E-mail address", 1440, TextAlignment::kCenter);
    for (const char* path : {"b", "C", "a"}) {
      auto& row = list.ListItems().Add(0, path, path);
      row.ListSubItems().Add(0, std::string("name ") + path);
    }
  }
  ListView list{"ListView1"};
  ScriptedWindowServices services;
};

TEST_F(SortMarkTest, OnlyTheSortedColumnCarriesTheArrowAndAlignmentStays) {
  list.SetSortKey(1);
  list.SetSortOrder(ListSortOrder::kDescending);
  ShowSortIcon(list);
  EXPECT_EQ(list.ColumnHeaders()(1).HeaderFormat(), 0x4000);
  EXPECT_EQ(list.ColumnHeaders()(2).HeaderFormat(), 0x5801);
  EXPECT_EQ(list.ColumnHeaders()(2).HeaderImage(), 1);
  EXPECT_EQ(list.ColumnHeaders()(3).HeaderFormat(), 0x4002);
  EXPECT_FALSE(list.ColumnHeaders()(3).ShowsHeaderImage());

  list.SetSortKey(2);
  list.SetSortOrder(ListSortOrder::kAscending);
  ShowSortIcon(list);
  EXPECT_EQ(list.ColumnHeaders()(2).HeaderFormat(), 0x4001);
  EXPECT_EQ(list.ColumnHeaders()(3).HeaderFormat(), 0x5802);
  EXPECT_EQ(list.ColumnHeaders()(3).HeaderImage(), 0);
}

TEST_F(SortMarkTest, AColumnClickFlipsItsOrderAndResetsTheOthers) {
  std::vector<SortOrder> orders{0, 0, 0};
  SortByColumn(list, orders, 1, services);
  EXPECT_EQ(orders, (std::vector<SortOrder>{1, 1, 1}));
  EXPECT_EQ(list.ListItems()(1).Text(), "C");  // descending, ignoring case
  EXPECT_EQ(list.ListItems()(3).Text(), "a");
  EXPECT_EQ(list.ColumnHeaders()(1).HeaderImage(), 1);

  SortByColumn(list, orders, 1, services);
  EXPECT_EQ(orders, (std::vector<SortOrder>{0, 1, 1}));
  EXPECT_EQ(list.ListItems()(1).Text(), "a");

  // Another column sorts ascending first, as its order was reset.
  SortByColumn(list, orders, 2, services);
  EXPECT_EQ(orders, (std::vector<SortOrder>{1, 0, 1}));
  EXPECT_EQ(list.SortKey(), 1);
  EXPECT_EQ(list.ListItems()(1).Text(), "a");
  EXPECT_FALSE(list.ColumnHeaders()(1).ShowsHeaderImage());
  EXPECT_EQ(services.doEventsCount, 3);
}

}  // namespace
}  // namespace quarvel::setup
