// The condition language of a rule: the test of one item text (a header value,
// the subject or the spam confidence level as decimal text) against a rule's
// condition value.
//
// Three kinds of condition: literal text (the value begins with it, letter case
// ignored character by character), wildcard patterns written with "{*}" and "{?}" (BASIC Like
// rules), and numeric comparison groups such as "{>3.9 <11.1}" with an optional text before and
// after the group.
//
// Shared by the sink, which applies it to every saved item, and by the tools
// and the setup program, which must judge a condition exactly as the sink does.
//
// Errors: an invalid wildcard pattern (an unclosed "[" list, a descending range)
// throws PatternError; callers treat that as "condition not met". Nothing else
// throws. All functions are pure and thread-safe.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace quarvel::matching {

class PatternError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The condition test every rule applies: false for an empty value, true for an
// empty pattern, true when the value begins with the pattern (letter case
// ignored), otherwise MatchPattern. Throws PatternError as MatchPattern does.
[[nodiscard]] bool ConditionHolds(std::string_view value, std::string_view pattern);

// Wildcard and comparison-group matching (literal text alone never matches here).
[[nodiscard]] bool MatchPattern(std::string_view value, std::string_view pattern);

// The BASIC Like operator, ordinal and anchored at both ends: "?" one character,
// "*" any run, "#" one digit, "[list]" / "[!list]" one character in / not in the
// list (ranges such as A-Z), "[]" nothing. Throws PatternError for an invalid
// pattern. Callers map both texts first when letter case must not count, one
// character at a time (text::CaseKey), so that counts stay as written.
[[nodiscard]] bool Like(std::string_view value, std::string_view pattern);

// The BASIC Val function: leading blanks skipped, then an optional sign, digits,
// one "." with more digits and an optional exponent ("E" or "D"), as far as they
// fit; no readable number gives 0. An out-of-range exponent saturates to +-inf.
[[nodiscard]] double Val(std::string_view text);

}  // namespace quarvel::matching
