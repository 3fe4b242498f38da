// The value side of a query comparison, attr='value', as the directory
// matches it against an attribute's values, ignoring letter case:
//   '*'        the attribute is present (with any value, an empty one too);
//   'a*', '*a', 'a*b', '*a*'   a wildcard pattern, each "*" standing for any
//              run of characters (the directory's substring match);
//   anything else              equal text.
// There is no escape: a "*" in a value is always a wildcard, as in the
// directory's own dialect. Immutable once made; thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quarvel::platform::directory {

// Simple case folding of every character (ICU's, as the common text helpers
// compare); a byte that is not valid UTF-8 stays as it is.
[[nodiscard]] std::string FoldCase(std::string_view text);

class ValuePattern {
 public:
  explicit ValuePattern(std::string_view value);

  [[nodiscard]] bool IsPresence() const { return presence_; }
  [[nodiscard]] bool IsWildcard() const { return wildcard_; }
  // Whether one value matches. A presence pattern matches every value.
  [[nodiscard]] bool Matches(std::string_view value) const;

 private:
  bool presence_ = false;
  bool wildcard_ = false;
  // Folded; for a wildcard the parts between the "*"s, the first and last
  // anchored at the ends (either may be empty).
  std::vector<std::string> parts_;
};

}  // namespace quarvel::platform::directory
