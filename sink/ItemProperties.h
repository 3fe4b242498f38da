// The store properties the sink reads and writes, by their full schema names,
// and the message classes it leaves alone.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/Text.h"

namespace quarvel::sink {

// The message class is read under the "x" form of its property tag and written
// under the "0x" form; the store treats both as the same property.
inline constexpr std::string_view kMessageClassRead =
    "http://schemas.microsoft.com/mapi/proptag/x001A001E";
inline constexpr std::string_view kMessageClassWrite =
    "http://schemas.microsoft.com/mapi/proptag/0x001A001E";
inline constexpr std::string_view kTransportHeaders =
    "http://schemas.microsoft.com/mapi/proptag/0x007D001E";
inline constexpr std::string_view kSpamConfidenceLevel =
    "http://schemas.microsoft.com/mapi/proptag/0x40760003";
inline constexpr std::string_view kSubject = "urn:schemas:httpmail:subject";
inline constexpr std::string_view kFromEmail = "urn:schemas:httpmail:fromemail";
// Holds the e-mail address of the folder that forwarded the item.
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

inline constexpr std::string_view kPostClass = "IPM.POST";
inline constexpr std::string_view kNoteClass = "IPM.Note";

// Classes (upper case, compared whole) that are not mail: calendar items,
// tasks, contacts, journal entries and notes.
[[nodiscard]] constexpr bool IsExcludedClass(std::string_view upperCaseClass) {
  for (const std::string_view excluded :
       {"IPM.APPOINTMENT", "IPM.TASK", "IPM.CONTACT", "IPM.ACTIVITY", "IPM.STICKYNOTE"}) {
    if (upperCaseClass == excluded) return true;
  }
  return false;
}

}  // namespace quarvel::sink
