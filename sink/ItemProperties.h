// The store properties the sink reads and writes, by their full schema names,
// and the message classes it leaves alone.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/SinkMarks.h"
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
// The sink's marks (common, so that the rule checks and the setup program
// read the same properties).
using sinkmarks::FitsCustomProperty;
using sinkmarks::kCustomPropertySize;
using sinkmarks::kForwardTo;
using sinkmarks::kHandledMarker;
using sinkmarks::kMoveTo;
using sinkmarks::kOriginallyDeliveredTo;

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
