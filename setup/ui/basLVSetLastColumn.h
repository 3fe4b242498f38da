// Fitting a report list's last column to the list: the column takes the
// width the other columns leave inside the list's border, so the list shows
// no empty strip and no horizontal scroll bar for it.
#pragma once

namespace quarvel::platform::controls {
class ListView;
}

namespace quarvel::setup {

// Width in twips of the list's border and vertical scroll bar, kept free so
// the fitted column does not force a horizontal scroll bar.
inline constexpr int kListFrameAllowance = 360;

// Sets the last column's width to what the list leaves for it; a list too
// narrow to leave anything keeps the column as it is.
void SetLastColumnWidth(platform::controls::ListView& list);

}  // namespace quarvel::setup
