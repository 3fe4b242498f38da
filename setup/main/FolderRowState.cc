#include "setup/main/FolderRowState.h"

#include "platform/controls/ListItem.h"
#include "platform/controls/ListView.h"
#include "setup/main/ListRowStyle.h"
#include "setup/main/RegistrationItems.h"

namespace quarvel::setup {

using namespace platform::controls;

bool IsStoreWideMode(const ListView& list) { return list.BorderStyle() == ListBorderStyle::kFlat; }

void SetRowMark(ListItem& row, const std::string& mark, const std::string& tooltipPrefix) {
  SetStrParams(row, mark, tooltipPrefix, false);
  row.SetChecked(mark == kMarkChecked);
  row.SetToolTipText(tooltipPrefix + row.Key());
}

bool IsPending(const ListItem& row) { return row.ForeColor() == kRed; }

void SetPending(ListItem& row, bool pending) {
  const Color color = pending ? kRed : kBlack;
  row.SetForeColor(color);
  for (ListSubItem& sub : row.ListSubItems()) sub.SetForeColor(color);
}

void MarkFromStore(ListItem& row, RegistrationItems& items, bool storeWide) {
  const auto state = items.RegistrationItemExists(row.Key(), "", kRegistrationItemName, false);
  if (state < 0) {
    SetRowMark(row, kMarkAccessDenied, kAccessDeniedPrefix);
  } else if (storeWide) {
    SetRowMark(row, kMarkPf);
  } else {
    SetRowMark(row, state == 1 ? kMarkChecked : kMarkUnchecked);
  }
  SetPending(row, false);
}

}  // namespace quarvel::setup
