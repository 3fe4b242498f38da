// The report list view: keys, positions, sorting, selection and the events
// of a person's clicks.
#include "platform/controls/ListView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ErrorOf_test_support.h"
#include "platform/PlatformError.h"
#include "platform/controls/ControlErrors.h"
#include "platform/controls/Form.h"

namespace quarvel::platform::controls {
namespace {

class ListViewTest : public ::testing::Test {
 protected:
  ListViewTest() {
    form.Add(list);
    list.ColumnHeaders().Add("Folder path");
    list.ColumnHeaders().Add("Name");
    list.SetCheckboxes(true);
    list.OnItemClick = [this](ListItem& item) { events.push_back("ItemClick " + item.Text()); };
    list.OnItemCheck = [this](ListItem& item) { events.push_back("ItemCheck " + item.Text()); };
    list.OnClick = [this] { events.push_back("Click"); };
  }

  // The texts of column `column` in display order.
  std::vector<std::string> Column(int column = 0) const {
    std::vector<std::string> texts;
    for (const ListItem& item : list.ListItems()) texts.push_back(item.ColumnText(column));
    return texts;
  }

  Form form{"InstallForm"};
  ListView list{"ListView1"};
  std::vector<std::string> events;
};

using Texts = std::vector<std::string>;

TEST_F(ListViewTest, KeysAreUniqueComparedExactlyAndFoundByKey) {
  list.ListItems().Add(0, "http://host/Public/A", "A");
  list.ListItems().Add(0, "http://host/Public/a", "a");  // differs in case: another key
  EXPECT_EQ(ErrorOf([&] { list.ListItems().Add(0, "http://host/Public/A", "again"); }),
            kErrKeyNotUnique);
  EXPECT_EQ(list.ListItems().Count(), 2);
  EXPECT_EQ(list.ListItems()("http://host/Public/a").Text(), "a");
  EXPECT_EQ(list.ListItems().Find("http://host/Public/B"), nullptr);
  EXPECT_EQ(ErrorOf([&] { (void)list.ListItems()("http://host/Public/B"); }), kErrElementNotFound);
  list.ListItems().Add(0, "", "no key");
  list.ListItems().Add(0, "", "no key either");  // rows without keys are fine
  list.ListItems().Remove("http://host/Public/A");
  EXPECT_EQ(list.ListItems().Find("http://host/Public/A"), nullptr);
  list.ListItems().Add(0, "http://host/Public/A", "back");  // its key is free again
}

TEST_F(ListViewTest, RowsGoWhereTheyAreAddedAndAreRenumbered) {
  list.ListItems().Add(0, "", "1");
  list.ListItems().Add(0, "", "3");
  list.ListItems().Add(2, "", "2");
  list.ListItems().Add(1, "", "0");
  EXPECT_EQ(Column(), (Texts{"0", "1", "2", "3"}));
  EXPECT_EQ(list.ListItems()(3).Index(), 3);
  list.ListItems().Remove(1);
  EXPECT_EQ(list.ListItems()(1).Text(), "1");
  EXPECT_EQ(list.ListItems()(1).Index(), 1);
  EXPECT_EQ(ErrorOf([&] { list.ListItems().Add(5, "", "x"); }), kErrIndexOutOfBounds);
  EXPECT_EQ(ErrorOf([&] { (void)list.ListItems()(0); }), kErrIndexOutOfBounds);
}

struct SortCase {
  const char* name;
  ListSortOrder order;
  int column;
  Texts expected;  // row texts in display order
  friend void PrintTo(const SortCase& c, std::ostream* os) { *os << c.name; }
};

class ListViewSortTest : public ListViewTest, public ::testing::WithParamInterface<SortCase> {};

// Rows "b"/"z", "A"/"y", "c"/"x" sorted before, one row added after, and one
// whose text equals another's ignoring case, added last.
TEST_P(ListViewSortTest, SortsByColumnTextAndLaterRowsTakeTheirSortedPlace) {
  const SortCase& c = GetParam();
  auto add = [&](const char* text, const char* name) {
    list.ListItems().Add(0, "", text).SetSubItemText(1, name);
  };
  add("b", "z");
  add("A", "y");
  add("c", "x");
  list.SetSortKey(c.column);
  list.SetSortOrder(c.order);
  list.SetSorted(true);
  add("a2", "w");
  add("B", "Z");  // equal to "b"/"z" ignoring case: comes after it
  EXPECT_EQ(Column(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListViewSortTest,
    ::testing::Values(
        SortCase{"TextAscending", ListSortOrder::kAscending, 0, {"A", "a2", "b", "B", "c"}},
        SortCase{"TextDescending", ListSortOrder::kDescending, 0, {"c", "b", "B", "a2", "A"}},
        // Sub-items "w".."Z": the new row's empty name first sorts it first,
        // then setting its name moves it to its place.
        SortCase{"NameAscending", ListSortOrder::kAscending, 1, {"a2", "c", "A", "b", "B"}},
        SortCase{"NameDescending", ListSortOrder::kDescending, 1, {"b", "B", "A", "c", "a2"}}),
    [](const auto& info) { return info.param.name; });

TEST_F(ListViewTest, ChangingOrderOrTextOfASortedListReordersIt) {
  for (const char* text : {"b", "c", "a"}) list.ListItems().Add(0, "", text);
  EXPECT_EQ(Column(), (Texts{"b", "c", "a"}));  // not sorted yet
  list.SetSorted(true);
  EXPECT_EQ(Column(), (Texts{"a", "b", "c"}));
  list.SetSortOrder(ListSortOrder::kDescending);
  EXPECT_EQ(Column(), (Texts{"c", "b", "a"}));
  list.ListItems()(1).SetText("0");
  EXPECT_EQ(Column(), (Texts{"b", "a", "0"}));
  list.SetSorted(false);
  list.ListItems().Add(1, "", "z");  // unsorted again: where it is put
  EXPECT_EQ(Column(), (Texts{"z", "b", "a", "0"}));
}

TEST_F(ListViewTest, CheckStateAndSelectionSetInCodeRaiseNothing) {
  ListItem& first = list.ListItems().Add(0, "k1", "one");
  ListItem& second = list.ListItems().Add(0, "k2", "two");
  first.SetChecked(true);
  first.SetSelected(true);
  EXPECT_EQ(list.SelectedItem(), &first);
  second.SetSelected(true);
  EXPECT_FALSE(first.Selected());
  EXPECT_EQ(list.SelectedItem(), &second);
  second.SetSelected(false);
  EXPECT_EQ(list.SelectedItem(), nullptr);
  list.SetSelectedItem(&first);
  list.SetSelectedItem(nullptr);
  EXPECT_FALSE(first.Selected());
  EXPECT_TRUE(first.Checked());
  EXPECT_TRUE(events.empty());
}

TEST_F(ListViewTest, APersonsClickRunsTheHandlerOnceAndNeverTogglesByItself) {
  ListItem& row = list.ListItems().Add(0, "k1", "one");
  int toggles = 0;
  list.OnItemCheck = [&](ListItem& item) {
    ++toggles;
    item.SetChecked(!item.Checked());  // the handler decides
  };
  list.UserClickItem(row, /*onCheckBox=*/true);
  EXPECT_TRUE(row.Checked());
  EXPECT_EQ(toggles, 1);
  EXPECT_EQ(list.SelectedItem(), &row);

  list.UserClickItem(row);  // on the text: ItemClick, not ItemCheck
  EXPECT_TRUE(row.Checked());
  EXPECT_EQ(toggles, 1);
  EXPECT_EQ(events, (Texts{"Click", "ItemClick one", "Click"}));

  list.SetCheckboxes(false);  // without check boxes every click is a row click
  events.clear();
  list.UserClickItem(row, true);
  EXPECT_EQ(events, (Texts{"ItemClick one", "Click"}));
}

TEST_F(ListViewTest, AHandlerMayEmptyTheListItWasCalledFor) {
  ListItem& row = list.ListItems().Add(0, "k1", "one");
  list.OnItemClick = [&](ListItem&) { list.ListItems().Clear(); };
  list.UserClickItem(row);
  EXPECT_EQ(list.ListItems().Count(), 0);
  EXPECT_EQ(list.SelectedItem(), nullptr);
  EXPECT_EQ(events, (Texts{"Click"}));
}

TEST_F(ListViewTest, RemovingTheSelectedOrScrolledRowForgetsIt) {
  list.ListItems().Add(0, "k1", "one");
  ListItem& two = list.ListItems().Add(0, "k2", "two");
  two.SetSelected(true);
  two.EnsureVisible();
  EXPECT_EQ(list.ScrolledTo(), &two);
  list.ListItems().Remove("k2");
  EXPECT_EQ(list.SelectedItem(), nullptr);
  EXPECT_EQ(list.ScrolledTo(), nullptr);
}

TEST_F(ListViewTest, ColumnClicksAndMouseUpRaiseTheirEventsWithoutSorting) {
  list.ListItems().Add(0, "", "b");
  list.ListItems().Add(0, "", "a");
  int clicked = 0;
  list.OnColumnClick = [&](ColumnHeader& column) { clicked = column.Index(); };
  list.OnMouseUp = [&] { events.push_back("MouseUp"); };
  list.UserClickColumn(list.ColumnHeaders()(2));
  list.UserMouseUp();
  EXPECT_EQ(clicked, 2);
  EXPECT_EQ(events, (Texts{"MouseUp"}));
  EXPECT_EQ(Column(), (Texts{"b", "a"}));
}

TEST_F(ListViewTest, InPlaceEditingCanBeRefused) {
  ListItem& row = list.ListItems().Add(0, "", "From: x");
  list.OnBeforeLabelEdit = [](bool& cancel) { cancel = true; };
  EXPECT_FALSE(list.UserEditLabel(row, "edited"));
  list.OnBeforeLabelEdit = nullptr;
  EXPECT_TRUE(list.UserEditLabel(row, "edited"));
  list.SetLabelEdit(false);
  EXPECT_FALSE(list.UserEditLabel(row, "again"));
  EXPECT_EQ(row.Text(), "edited");
}

TEST_F(ListViewTest, SubItemsFillTheColumnsAfterTheFirst) {
  ListItem& row = list.ListItems().Add(0, "", "path");
  row.SetSubItemText(2, "mail@example.com");
  EXPECT_EQ(row.ListSubItems().Count(), 2);
  EXPECT_EQ(row.ColumnText(1), "");
  EXPECT_EQ(row.ColumnText(2), "mail@example.com");
  row.ListSubItems().Add(1, "Name");  // inserted, the address moves on
  EXPECT_EQ(row.ColumnText(1), "Name");
  EXPECT_EQ(row.ListSubItems()(3).Text(), "mail@example.com");
  EXPECT_EQ(row.ListSubItems()(3).Index(), 3);
  EXPECT_EQ(row.ColumnText(9), "");
  EXPECT_EQ(ErrorOf([&] { row.ListSubItems().Add(5, "x"); }), kErrIndexOutOfBounds);
}

TEST_F(ListViewTest, HeaderItemsKeepTheColumnsAlignmentInTheirFormat) {
  ColumnHeader& column = list.ColumnHeaders().Add("E-mail address", 2000, TextAlignment::kRight);
  EXPECT_EQ(column.HeaderFormat(), kHeaderString | 1);
  column.SetHeaderItem(0x5800 | 1, 1);
  EXPECT_TRUE(column.ShowsHeaderImage());
  column.SetAlignment(TextAlignment::kCenter);
  EXPECT_EQ(column.HeaderFormat(), 0x5800 | 2);
  EXPECT_EQ(column.HeaderImage(), 1);
  EXPECT_EQ(ErrorOf([&] { (void)list.ColumnHeaders()(4); }), kErrIndexOutOfBounds);
}

}  // namespace
}  // namespace quarvel::platform::controls
