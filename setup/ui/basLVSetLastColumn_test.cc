#include "setup/ui/basLVSetLastColumn.h"

#include <gtest/gtest.h>

#include "platform/controls/ColumnHeader.h"
#include "platform/controls/ListView.h"

namespace quarvel::setup {
namespace {

using platform::controls::ListView;

TEST(SetLastColumnWidthTest, LastColumnTakesWhatTheOthersLeave) {
  ListView list("ListView2");
  list.Move(0, 0, 9000, 2000);
  list.ColumnHeaders().Add("Condition", 3000);
  list.ColumnHeaders().Add("Action", 1000);
  list.ColumnHeaders().Add("Target", 500);
  SetLastColumnWidth(list);
  EXPECT_EQ(list.ColumnHeaders()(3).Width(), 9000 - kListFrameAllowance - 4000);
  EXPECT_EQ(list.ColumnHeaders()(1).Width(), 3000);

  // Nothing left: the column keeps its width rather than vanishing.
  list.SetWidth(3000);
  SetLastColumnWidth(list);
  EXPECT_EQ(list.ColumnHeaders()(3).Width(), 9000 - kListFrameAllowance - 4000);
}

TEST(SetLastColumnWidthTest, AListWithoutColumnsIsLeftAlone) {
  ListView list("ListView1");
  list.Move(0, 0, 5000, 2000);
  SetLastColumnWidth(list);
  EXPECT_EQ(list.ColumnHeaders().Count(), 0);
}

}  // namespace
}  // namespace quarvel::setup
