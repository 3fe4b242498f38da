// The criteria of an event registration: a WHERE clause that an item must
// satisfy for the sink to be called, such as ` WHERE "DAV:ishidden" = FALSE`.
//
// Understood: WHERE followed by one or more `"property" = value` joined by
// AND, with value TRUE, FALSE, a number, or text in single quotes; keywords in
// any letter case. Anything else is refused rather than half-understood.
#pragma once

#include <string>
#include <string_view>

#include "platform/store/PublicStore.h"

namespace quarvel::platform::store {

// Whether the item's properties satisfy the criteria. Empty criteria always
// hold. A missing property compares as FALSE, 0 or empty text. Throws
// PlatformError(kErrInvalidArgument) naming the problem for criteria it does
// not understand.
[[nodiscard]] bool CriteriaHold(std::string_view criteria, const PropertyMap& item);

}  // namespace quarvel::platform::store
