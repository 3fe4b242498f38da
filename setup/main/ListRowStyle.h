// How a folder row of a report list looks: its mark (small icon), tooltip
// and bold state, carried over to its sub-items so that every column shows
// the same. The folder list builds its rows with these.
#pragma once

#include <string>

namespace quarvel::platform::controls {
class ListItem;
}

namespace quarvel::setup {

// Every sub-item, in order: tooltip = `sTT` + the sub-item's text, bold =
// `blnBold`; then the row: small icon `sIcon`, tooltip `sTT`, bold `blnBold`.
void SetStrParams(platform::controls::ListItem& itm, const std::string& sIcon,
                  const std::string& sTT, bool blnBold);

// Adds a sub-item with text `s` at index `i` (from 1, at most one past the
// last; PlatformError kErrIndexOutOfBounds beyond), bold as the row, with the
// row's tooltip followed by `s` as its tooltip.
void AddSubItem(platform::controls::ListItem& itm, int i, const std::string& s);

}  // namespace quarvel::setup
