// A folder row's registration state as the folder list (ListView1) shows it,
// shared by the folder walk and by registration: its mark (small icon), its
// check state, its tooltips, whether it is pending, and the list's mode.
//
// The marks: "checked" (the folder carries, or is to receive, a registration
// item), "unchecked" (none, or to be removed), "pf" (store-wide mode: per
// folder registration is not offered), "targetpf" (a rule target, never
// registered) and "accessdenied" (the store refused the check). A row's
// check state is set exactly when its mark is "checked", so the two never
// disagree. A pending row, changed by a person and not yet applied, is red.
//
// The list's mode is kept in its look: a flat border in store-wide mode, the
// 3-D border in per-folder mode. Window thread only.
#pragma once

#include <string>

namespace quarvel::platform::controls {
class ListItem;
class ListView;
}  // namespace quarvel::platform::controls

namespace quarvel::setup {

class RegistrationItems;

inline constexpr const char* kMarkPf = "pf";
inline constexpr const char* kMarkChecked = "checked";
inline constexpr const char* kMarkUnchecked = "unchecked";
inline constexpr const char* kMarkTargetPf = "targetpf";
inline constexpr const char* kMarkAccessDenied = "accessdenied";

inline constexpr const char* kRuleTargetPrefix = "[RULE TARGET] ";
inline constexpr const char* kAccessDeniedPrefix = "[ACCESS DENIED] ";

// Whether the folder list is in store-wide mode (flat border).
[[nodiscard]] bool IsStoreWideMode(const platform::controls::ListView& list);

// Marks the row (SetStrParams with `tooltipPrefix`, not bold), sets its check
// state to match, and ends the row's tooltip with its folder URL (its key).
void SetRowMark(platform::controls::ListItem& row, const std::string& mark,
                const std::string& tooltipPrefix = "");

[[nodiscard]] bool IsPending(const platform::controls::ListItem& row);
// Red (pending) or black, the row and its columns alike.
void SetPending(platform::controls::ListItem& row, bool pending);

// Marks a row the way the folder walk would, from the store: "accessdenied"
// when the check for its registration item fails; otherwise "pf" in
// store-wide mode, else "checked" or "unchecked" as the item exists. The row
// is no longer pending: its mark agrees with the store.
void MarkFromStore(platform::controls::ListItem& row, RegistrationItems& items, bool storeWide);

}  // namespace quarvel::setup
