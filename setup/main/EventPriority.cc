#include "setup/main/EventPriority.h"

#include "common/Text.h"

namespace quarvel::setup {

std::optional<std::uint16_t> ParseEventPriority(std::string_view text) {
  const std::string_view digits = text::TrimView(text);
  if (digits.empty()) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
    if (value > 65535) return std::nullopt;  // stops before any overflow
  }
  return static_cast<std::uint16_t>(value);
}

}  // namespace quarvel::setup
