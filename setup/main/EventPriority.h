// The event sink's priority as the setup program accepts it, wherever the
// text comes from (the priority field, the component catalog, a command
// line): a whole number from 0 (highest) to 65535 (lowest), written in
// decimal digits, blanks at either end ignored. Anything else (a sign,
// letters, a decimal point, an exponent, blanks inside, a number too large)
// is no priority.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quarvel::setup {

inline constexpr const char* kDefaultEventPriority = "65520";

[[nodiscard]] std::optional<std::uint16_t> ParseEventPriority(std::string_view text);

}  // namespace quarvel::setup
