// The wildcard syntax of a rule's condition value, shared by the sink's
// matcher and by the programs that check a value before it is saved or say
// why a rule never fires.
//
// A condition value is a wildcard pattern when it holds "{*}" or "{?}": those
// become the Like operator's "*" and "?", and the rest of the value is read
// as Like reads it, "[list]" included, with letter case mapped to case keys
// (text::CaseKey) one character at a time. Such a pattern is invalid when a
// "[" has no closing "]" or a range in a list descends; the sink then treats
// the condition as not met, for every value. Literal text and comparison
// groups such as "{>3}" alone are never invalid.
//
// Problems are returned, not thrown, as the sink's own message text
// ("invalid pattern: ..."). All functions are pure and thread-safe; the
// template below is what the sink runs on every wildcard rule, so it works on
// the caller's characters and allocates only for a problem.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel::pattern {

// True when "{*}" or "{?}" starts at byte `i`.
[[nodiscard]] inline bool IsBracedWildcardAt(std::string_view pattern, std::size_t i) {
  return i + 2 < pattern.size() && pattern[i] == '{' &&
         (pattern[i + 1] == '*' || pattern[i + 1] == '?') && pattern[i + 2] == '}';
}

// Whether "{*}" or "{?}" occurs at or after byte `from`.
[[nodiscard]] inline bool HasBracedWildcard(std::string_view pattern, std::size_t from = 0) {
  for (std::size_t i = from; i < pattern.size(); ++i) {
    if (IsBracedWildcardAt(pattern, i)) return true;
  }
  return false;
}

// Writes `pattern` with "{*}" and "{?}" turned into "*" and "?" to `out`
// (room for pattern.size() bytes) and returns the bytes written. One pass
// does it: the two never overlap, and a replacement never forms a new one.
inline std::size_t RewriteWildcards(std::string_view pattern, char* out) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (IsBracedWildcardAt(pattern, i)) {
      out[n++] = pattern[i + 1];
      i += 2;
    } else {
      out[n++] = pattern[i];
    }
  }
  return n;
}

namespace detail {
// The messages, built only for a problem and kept out of the matcher's loop.
[[nodiscard, gnu::cold]] std::string UnclosedListMessage(std::size_t position);
[[nodiscard, gnu::cold]] std::string DescendingRangeMessage(char32_t low, char32_t high,
                                                            std::size_t position);
}  // namespace detail

// The first invalid "[list]" of a Like pattern given as characters (anything
// with size() and operator[] yielding char32_t): no closing "]", or a
// descending range. Positions in the message count these characters from 1.
template <typename Chars>
[[nodiscard]] std::optional<std::string> LikeListProblem(const Chars& pattern) {
  const std::size_t size = pattern.size();
  for (std::size_t i = 0; i < size; ++i) {
    if (pattern[i] != U'[') continue;
    std::size_t close = i + 1;
    while (close < size && pattern[close] != U']') ++close;
    if (close == size) return detail::UnclosedListMessage(i + 1);
    std::size_t pos = i + 1;
    if (pos < close && pattern[pos] == U'!') ++pos;
    while (pos < close) {
      if (pos + 2 < close && pattern[pos + 1] == U'-') {
        const char32_t low = pattern[pos];
        const char32_t high = pattern[pos + 2];
        if (low > high) return detail::DescendingRangeMessage(low, high, pos + 1);
        pos += 3;
      } else {
        ++pos;
      }
    }
    i = close;  // A "[" inside the list is one of its characters.
  }
  return std::nullopt;
}

// Why the sink's matcher refuses the condition value `pattern` (its message),
// or nullopt when it is no wildcard pattern or a valid one.
[[nodiscard]] std::optional<std::string> ConditionPatternProblem(std::string_view pattern);

}  // namespace quarvel::pattern
