// Unique names for moved items.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "sink/SinkServices.h"

namespace quarvel::sink {

// A new GUID as 32 upper-case hexadecimal digits without braces or dashes:
// data1 as 8 digits, data2 and data3 as 4 each, then the 8 bytes of data4 as 2
// each. "" when the source cannot make a GUID.
[[nodiscard]] std::string NewGuidString(const std::function<std::optional<Guid>()>& newGuid);

}  // namespace quarvel::sink
