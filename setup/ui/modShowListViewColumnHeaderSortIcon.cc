#include "setup/ui/modShowListViewColumnHeaderSortIcon.h"

#include "platform/controls/ColumnHeader.h"
#include "platform/controls/ListView.h"
#include "platform/controls/WindowServices.h"

namespace quarvel::setup {

using platform::controls::ListSortOrder;
using platform::controls::ListView;
using platform::controls::TextAlignment;

SortOrder FlipSortOrder(SortOrder order) { return order == 0 ? 1 : 0; }

void ShowSortIcon(ListView& list) {
  using namespace platform::controls;
  for (ColumnHeader& column : list.ColumnHeaders()) {
    int alignment = 0;
    if (column.Alignment() == TextAlignment::kRight) alignment = 1;
    if (column.Alignment() == TextAlignment::kCenter) alignment = 2;
    if (column.Index() == list.SortKey() + 1) {
      column.SetHeaderItem(kHeaderString + kHeaderImage + kHeaderBitmapOnRight + alignment,
                           static_cast<int>(list.SortOrder()));
    } else {
      column.SetHeaderItem(kHeaderString + alignment, -1);
    }
  }
}

void SortByColumn(ListView& list, std::vector<SortOrder>& orders, int column,
                  platform::controls::WindowServices& services) {
  const auto clicked = static_cast<std::size_t>(column - 1);
  for (std::size_t i = 0; i < orders.size(); ++i) {
    orders[i] = i == clicked ? FlipSortOrder(orders[i]) : SortOrder{1};
  }
  list.SetSortKey(column - 1);
  list.SetSortOrder(orders[clicked] == 0 ? ListSortOrder::kAscending : ListSortOrder::kDescending);
  list.SetSorted(true);
  services.DoEvents();
  ShowSortIcon(list);
}

}  // namespace quarvel::setup
