// The sort mark of a report list: after a list was sorted by a column, that
// column's header shows an arrow for the direction, to the right of its
// caption, and every other header shows none. Both sortable lists of the
// setup program (the folder list and the editor's recipient list) sort on a
// column click the same way; SortByColumn is that shared protocol.
#pragma once

#include <cstdint>
#include <vector>

namespace quarvel::platform::controls {
class ListView;
class WindowServices;
}  // namespace quarvel::platform::controls

namespace quarvel::setup {

// Sort orders as the lists remember them per column: 0 ascending, 1 descending.
using SortOrder = std::int16_t;

// 1 for 0, 0 for anything else.
[[nodiscard]] SortOrder FlipSortOrder(SortOrder order);

// Sets every column header's item from the list's sort key and order: the
// sorted column gets the string, image and image-on-the-right format plus its
// alignment, with the order as its image (0 ascending, 1 descending); every
// other column the string format plus its alignment and no image.
void ShowSortIcon(platform::controls::ListView& list);

// A click on column `column` (from 1): flips that column's remembered order,
// sets the others' to descending (so their next click sorts ascending), sorts
// the list by the column in its order, lets pending window messages run and
// shows the mark. `orders` holds one order per column.
void SortByColumn(platform::controls::ListView& list, std::vector<SortOrder>& orders, int column,
                  platform::controls::WindowServices& services);

}  // namespace quarvel::setup
