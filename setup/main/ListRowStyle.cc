#include "setup/main/ListRowStyle.h"

#include "platform/controls/ListItem.h"

namespace quarvel::setup {

using platform::controls::ListItem;
using platform::controls::ListSubItem;

void SetStrParams(ListItem& itm, const std::string& sIcon, const std::string& sTT, bool blnBold) {
  for (ListSubItem& sub : itm.ListSubItems()) {
    sub.SetToolTipText(sTT + sub.Text());
    sub.SetBold(blnBold);
  }
  itm.SetSmallIcon(sIcon);
  itm.SetToolTipText(sTT);
  itm.SetBold(blnBold);
}

void AddSubItem(ListItem& itm, int i, const std::string& s) {
  ListSubItem& sub = itm.ListSubItems().Add(i, s);
  sub.SetBold(itm.Bold());
  sub.SetToolTipText(itm.ToolTipText() + s);
}

}  // namespace quarvel::setup
