// The marks the sink leaves on an item it acts on, by their store property
// names, and the room the store gives them. The sink writes them; the rule
// checks and the setup program's restore read them, so all three name the
// same properties.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/Text.h"

namespace quarvel::sinkmarks {

// Holds the e-mail address of the folder that forwarded the item; an item
// whose marker holds an address is left alone by every rule.
inline constexpr std::string_view kHandledMarker =
    "http://schemas.microsoft.com/mapi/id/{00062008-0000-0000-C000-000000000046}/0x8580";

// The sink's own marks, custom string properties.
inline constexpr std::string_view kOriginallyDeliveredTo = "Originally delivered to";
inline constexpr std::string_view kMoveTo = "Move to";
inline constexpr std::string_view kForwardTo = "Forward to";

// The defined size, in characters, of the custom properties the sink creates.
// The store refuses a longer value rather than cut it: a cut target would send
// mail to the wrong place.
inline constexpr std::size_t kCustomPropertySize = 256;

// Whether the store can hold `value` in a custom property of the sink.
[[nodiscard]] inline bool FitsCustomProperty(std::string_view value) {
  return value.size() <= kCustomPropertySize || text::CharCount(value) <= kCustomPropertySize;
}

}  // namespace quarvel::sinkmarks
