#include "setup/ui/basLVSetLastColumn.h"

#include "platform/controls/ColumnHeader.h"
#include "platform/controls/ListView.h"

namespace quarvel::setup {

void SetLastColumnWidth(platform::controls::ListView& list) {
  auto& columns = list.ColumnHeaders();
  if (columns.Count() == 0) return;
  int others = 0;
  for (int i = 1; i < columns.Count(); ++i) others += columns(i).Width();
  const int remaining = list.Width() - kListFrameAllowance - others;
  if (remaining > 0) columns(columns.Count()).SetWidth(remaining);
}

}  // namespace quarvel::setup
