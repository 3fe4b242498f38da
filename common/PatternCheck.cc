#include "common/PatternCheck.h"

#include "common/Text.h"

namespace quarvel::pattern {

namespace detail {

std::string UnclosedListMessage(std::size_t position) {
  return "invalid pattern: '[' at character " + std::to_string(position) + " has no closing ']'";
}

std::string DescendingRangeMessage(char32_t low, char32_t high, std::size_t position) {
  return "invalid pattern: range '" + text::EncodeUtf8(std::u32string_view(&low, 1)) + "-" +
         text::EncodeUtf8(std::u32string_view(&high, 1)) + "' at character " +
         std::to_string(position) + " is descending";
}

}  // namespace detail

std::optional<std::string> ConditionPatternProblem(std::string_view value) {
  // The matcher's own road: trimmed, and only a value with a braced wildcard
  // reaches the Like syntax.
  const std::string_view pattern = text::TrimView(value);
  if (!HasBracedWildcard(pattern)) return std::nullopt;
  std::string rewritten(pattern.size(), '\0');
  rewritten.resize(RewriteWildcards(pattern, rewritten.data()));
  if (text::IsAscii(rewritten)) {
    std::u32string chars;
    for (const char c : rewritten) {
      chars += static_cast<char32_t>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
    }
    return LikeListProblem(chars);
  }
  return LikeListProblem(text::DecodeCaseKeys(rewritten));
}

}  // namespace quarvel::pattern
