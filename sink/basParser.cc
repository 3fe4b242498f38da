#include "sink/basParser.h"

#include <locale.h>

#include <array>
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "common/PatternCheck.h"
#include "common/Text.h"

// Every rule's condition is tested for every message, and most tests fail, so
// the code below works on views of the caller's text and allocates nothing for
// ASCII text and short patterns; only non-ASCII wildcard matching decodes.

namespace quarvel::sink {
namespace {

constexpr std::size_t npos = std::string::npos;

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// Position of the first of `wanted` in `s` at or after `from`, or npos. A plain
// loop: rule texts are short, and a memchr call per search cost more than it saved.
std::size_t FindAny(std::string_view s, std::string_view wanted, std::size_t from = 0) {
  for (std::size_t i = from; i < s.size(); ++i) {
    for (const char w : wanted) {
      if (s[i] == w) return i;
    }
  }
  return npos;
}

// --- Like ----------------------------------------------------------------------

// Character access for Like. ASCII text is read in place, one byte per
// character, upper-cased on the fly when kUpperCase is set; any other text is
// decoded into a std::u32string_view first (see WithChars).
template <bool kUpperCase>
struct AsciiChars {
  std::string_view text;

  std::size_t size() const { return text.size(); }
  char32_t operator[](std::size_t i) const {
    const auto c = static_cast<unsigned char>(text[i]);
    if constexpr (kUpperCase) {
      if (c >= 'a' && c <= 'z') return c - ('a' - 'A');
    }
    return c;
  }
};

// Calls `use` with `text` as a sequence of characters, each replaced by its
// case key (text::CaseKey) when kUpperCase is set. Case is mapped one
// character at a time: a full mapping would turn "ß" into "SS", and "{?}"
// would then need two characters for it. Only non-ASCII text is decoded.
template <bool kUpperCase, typename Use>
auto WithChars(std::string_view text, const Use& use) {
  if (text::IsAscii(text)) return use(AsciiChars<kUpperCase>{text});
  std::u32string chars;
  if constexpr (kUpperCase) {
    chars = text::DecodeCaseKeys(text);
  } else {
    chars = text::DecodeUtf8(text);
  }
  return use(std::u32string_view(chars));
}

template <typename Chars>
std::size_t Find(const Chars& chars, char32_t wanted, std::size_t from) {
  for (std::size_t i = from; i < chars.size(); ++i) {
    if (chars[i] == wanted) return i;
  }
  return npos;
}

// Throws PatternError for the first invalid "[list]" (no closing "]", or a
// descending range). Run before any matching, so that an invalid pattern throws
// whatever the value is, not only when matching happens to reach the bad part.
template <typename Chars>
void CheckPattern(const Chars& pattern) {
  if (std::optional<std::string> problem = quarvel::pattern::LikeListProblem(pattern)) {
    throw PatternError(*problem);
  }
}

// One Like element, read straight from a checked pattern. Every kind except
// kStar consumes exactly one character, which is what makes single-star
// backtracking sufficient.
struct Element {
  enum class Kind { kEnd, kChar, kAny, kStar, kDigit, kList };
  Kind kind;
  std::size_t end;  // Pattern position after the element.
  char32_t ch = 0;
  // For kList: the list's characters lie in [list_begin, end - 1).
  std::size_t list_begin = 0;
  bool negated = false;
};

template <typename Chars>
Element ReadElement(const Chars& pattern, std::size_t p) {
  const std::size_t size = pattern.size();
  // "[]" consumes nothing.
  while (p + 1 < size && pattern[p] == U'[' && pattern[p + 1] == U']') p += 2;
  if (p == size) return {Element::Kind::kEnd, p};
  const char32_t c = pattern[p];
  switch (c) {
    case U'*':
      return {Element::Kind::kStar, p + 1};
    case U'?':
      return {Element::Kind::kAny, p + 1};
    case U'#':
      return {Element::Kind::kDigit, p + 1};
    case U'[': {
      // CheckPattern guarantees the "]"; without one, the list would run to the end.
      std::size_t close = Find(pattern, U']', p + 1);
      if (close == npos) close = size - 1;
      Element list{Element::Kind::kList, close + 1};
      list.list_begin = p + 1;
      if (pattern[list.list_begin] == U'!') {
        list.negated = true;
        ++list.list_begin;
      }
      return list;
    }
    default:
      return {Element::Kind::kChar, p + 1, c};
  }
}

template <typename Chars>
bool ListContains(const Chars& pattern, const Element& list, char32_t c) {
  const std::size_t close = list.end - 1;
  for (std::size_t pos = list.list_begin; pos < close;) {
    if (pos + 2 < close && pattern[pos + 1] == U'-') {
      if (c >= pattern[pos] && c <= pattern[pos + 2]) return true;
      pos += 3;
    } else {
      if (c == pattern[pos]) return true;
      ++pos;
    }
  }
  return false;
}

template <typename Chars>
bool ElementMatches(const Chars& pattern, const Element& element, char32_t c) {
  switch (element.kind) {
    case Element::Kind::kChar:
      return c == element.ch;
    case Element::Kind::kAny:
      return true;
    case Element::Kind::kDigit:
      return IsDigit(c);
    case Element::Kind::kList:
      return ListContains(pattern, element, c) != element.negated;
    case Element::Kind::kStar:
    case Element::Kind::kEnd:
      break;
  }
  return false;
}

// First value position at or after `from` where `element` can match, or the
// value's size.
template <typename ValueChars, typename PatternChars>
std::size_t NextCandidate(const ValueChars& value, std::size_t from, const PatternChars& pattern,
                          const Element& element) {
  if (element.kind == Element::Kind::kChar) {  // The common case, kept tight.
    while (from < value.size() && value[from] != element.ch) ++from;
    return from;
  }
  while (from < value.size() && !ElementMatches(pattern, element, value[from])) ++from;
  return from;
}

// Like on a pattern that CheckPattern accepted. Greedy matching that, on a
// mismatch, lets the most recent star absorb one more character. Earlier stars
// never need revisiting, so this is O(n*m).
template <typename ValueChars, typename PatternChars>
bool LikeMatches(const ValueChars& value, const PatternChars& pattern) {
  std::size_t v = 0;
  std::size_t p = 0;
  bool have_star = false;
  std::size_t after_star = 0;  // Pattern position after the most recent star.
  Element star_next{};         // The element there, never itself a star.
  std::size_t star_v = 0;      // Value position where that star's run ends.
  while (v < value.size()) {
    const Element element = ReadElement(pattern, p);
    if (element.kind == Element::Kind::kStar) {
      star_next = ReadElement(pattern, element.end);
      if (star_next.kind == Element::Kind::kEnd) return true;  // A final star takes the rest.
      if (star_next.kind == Element::Kind::kStar) {
        p = element.end;  // Runs of stars mean one star.
        continue;
      }
      have_star = true;
      p = after_star = element.end;
      star_v = v;
    } else if (ElementMatches(pattern, element, value[v])) {
      p = element.end;
      ++v;
    } else if (have_star) {
      // The star absorbs one more character, and then every character where
      // the element after it cannot match anyway.
      star_v = NextCandidate(value, star_v + 1, pattern, star_next);
      p = after_star;
      v = star_v;
    } else {
      return false;
    }
  }
  Element element = ReadElement(pattern, p);
  while (element.kind == Element::Kind::kStar) element = ReadElement(pattern, element.end);
  return element.kind == Element::Kind::kEnd;
}

// --- Rule patterns: braced wildcards and comparison groups ----------------------

// A rewritten pattern lives on the stack when short, as rule patterns nearly
// always are, so that rewriting allocates nothing.
class PatternBuffer {
 public:
  char* Reserve(std::size_t size) {
    if (size <= sizeof(local_)) return local_;
    heap_.resize(size);
    return heap_.data();
  }

 private:
  char local_[256];
  std::string heap_;
};

// Turns "{*}" and "{?}" into Like's "*" and "?".
std::string_view RewriteWildcards(std::string_view pattern, PatternBuffer& buffer) {
  char* const out = buffer.Reserve(pattern.size());
  return {out, quarvel::pattern::RewriteWildcards(pattern, out)};
}

bool IsNumberChar(char c) {
  return IsDigit(static_cast<unsigned char>(c)) || c == '.' || c == ',' || c == '-';
}

// Val reading "," as the decimal point. Copies only when there is a comma.
double ValCommaAsPoint(std::string_view number) {
  if (FindAny(number, ",") == npos) return Val(number);
  return Val(text::ReplaceAll(number, ",", "."));
}

// Strict numeric test of one comparison group plus the text around it; `open`
// and `close` are the byte offsets of "{" and "}" in the pattern. Cheap tests
// come first: most values fail on the prefix or the tail.
bool GroupHolds(std::string_view value, std::string_view pattern, std::size_t open,
                std::size_t close) {
  // Compared character by character, letter case ignored: the prefix's length
  // in the value may differ in bytes.
  const std::size_t prefix_bytes =
      text::PrefixLengthIgnoreCase(value, text::TrimView(pattern.substr(0, open)));
  if (prefix_bytes == npos) return false;

  std::string_view rest = text::TrimView(value.substr(prefix_bytes));
  std::size_t number_end = 0;
  while (number_end < rest.size() && IsNumberChar(rest[number_end])) ++number_end;
  const std::string_view number = rest.substr(0, number_end);
  rest = text::TrimView(rest.substr(number_end));
  if (!text::EqualsIgnoreCase(text::TrimView(pattern.substr(close + 1)), rest)) return false;

  // Blanks go, so bounds need no trimming; a lone "*" fails for lack of an
  // operator. Copied only when there is something to remove or replace.
  std::string_view group = pattern.substr(open + 1, close - open - 1);
  std::string normalized;
  if (FindAny(group, " ,") != npos) {
    normalized.reserve(group.size());
    for (const char c : group) {
      if (c != ' ') normalized += c == ',' ? '.' : c;
    }
    group = normalized;
  }

  if (group.empty() || (group.front() != '<' && group.front() != '>')) return false;
  const char op1 = group.front();
  std::string_view bound1 = group.substr(1);
  std::string_view bound2;
  char op2 = 0;
  if (const std::size_t split = FindAny(bound1, "<>"); split != npos) {
    op2 = bound1[split];
    bound2 = bound1.substr(split + 1);
    bound1 = bound1.substr(0, split);
  }

  const double n = ValCommaAsPoint(number);
  const double b1 = Val(bound1);
  // The second bound counts only with the other operator.
  const bool has_second = op2 != 0 && op2 != op1;
  const double b2 = has_second ? Val(bound2) : 0;
  return op1 == '<' ? n < b1 && (!has_second || n > b2) : n > b1 && (!has_second || n < b2);
}

// --- Val -----------------------------------------------------------------------

// The parts of the text that Val reads as a number:
// [sign] digits ["." digits] [("e" | "E" | "d" | "D") [sign] digits].
struct NumberText {
  char sign = 0;
  std::string_view integer;
  bool point = false;
  std::string_view fraction;
  bool exponent = false;
  char exponent_sign = 0;
  std::string_view exponent_digits;
};

NumberText ScanNumber(std::string_view text) {
  NumberText number;
  std::size_t i = 0;
  const auto at = [&](auto... wanted) { return i < text.size() && ((text[i] == wanted) || ...); };
  const auto digits = [&] {
    const std::size_t begin = i;
    while (i < text.size() && IsDigit(static_cast<unsigned char>(text[i]))) ++i;
    return text.substr(begin, i - begin);
  };
  while (at(' ', '\t', '\n')) ++i;
  if (at('+', '-')) number.sign = text[i++];
  number.integer = digits();
  if (at('.')) {
    ++i;
    number.point = true;
    number.fraction = digits();
  }
  if (at('e', 'E', 'd', 'D')) {
    ++i;
    number.exponent = true;
    if (at('+', '-')) number.exponent_sign = text[i++];
    number.exponent_digits = digits();
  }
  return number;
}

// The powers of ten that a double holds exactly (10^22 is the last).
constexpr std::array<double, 23> kPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The fast path below relies on each double operation rounding once.
static_assert(FLT_EVAL_METHOD == 0);

// The value without strtod when the digits form an integer of at most 2^53 and the
// power of ten is exact too: one multiplication or division then rounds
// correctly, exactly as strtod does. Typical rule numbers ("5", "-4.9") qualify.
std::optional<double> ExactSmallValue(const NumberText& number) {
  if (number.integer.empty() && number.fraction.empty()) return 0.0;  // strtod reads nothing
  if (number.integer.size() + number.fraction.size() > 19) return std::nullopt;
  if (number.exponent_digits.size() > 4) return std::nullopt;

  std::uint64_t mantissa = 0;  // Below 10^19, so it cannot overflow.
  for (const char c : number.integer) mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
  for (const char c : number.fraction) mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
  if (mantissa > (std::uint64_t{1} << 53)) return std::nullopt;

  int exponent = 0;
  for (const char c : number.exponent_digits) exponent = exponent * 10 + (c - '0');
  if (number.exponent_sign == '-') exponent = -exponent;
  exponent -= static_cast<int>(number.fraction.size());
  if (exponent < -22 || exponent > 22) return std::nullopt;

  double result = static_cast<double>(mantissa);
  result = exponent < 0 ? result / kPowersOfTen[static_cast<std::size_t>(-exponent)]
                        : result * kPowersOfTen[static_cast<std::size_t>(exponent)];
  return number.sign == '-' ? -result : result;
}

// strtod would follow the host process's locale; rule values always use ".".
double StrtodC(const char* s) {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  return c_locale != locale_t{} ? strtod_l(s, nullptr, c_locale) : std::strtod(s, nullptr);
}

// Any number: strtod on a copy of only what forms the number, so it never sees
// "inf", "nan" or hex.
double StrtodValue(const NumberText& number) {
  std::string clean;
  if (number.sign != 0) clean += number.sign;
  clean += number.integer;
  if (number.point) {
    clean += '.';
    clean += number.fraction;
  }
  if (number.exponent) {
    clean += 'e';
    if (number.exponent_sign != 0) clean += number.exponent_sign;
    clean += number.exponent_digits;
  }
  return StrtodC(clean.c_str());
}

}  // namespace

bool ConditionHolds(std::string_view value, std::string_view pattern) {
  if (value.empty()) return false;
  if (pattern.empty()) return true;
  if (text::StartsWithIgnoreCase(value, pattern)) return true;
  return MatchPattern(value, pattern);
}

bool MatchPattern(std::string_view value_in, std::string_view pattern_in) {
  const std::string_view value = text::TrimView(value_in);
  std::string_view pattern = text::TrimView(pattern_in);

  // Without a "{" there is neither a wildcard nor a group: one scan settles
  // the many patterns that are plain text.
  std::size_t open = FindAny(pattern, "{");
  if (open == npos) return false;
  PatternBuffer buffer;
  const bool wildcard = quarvel::pattern::HasBracedWildcard(pattern, open);
  if (wildcard) {
    pattern = RewriteWildcards(pattern, buffer);
    open = FindAny(pattern, "{");
  }
  const std::size_t close = open == npos ? npos : FindAny(pattern, "}", open);
  const bool group = close != npos;
  if (!wildcard) return group && GroupHolds(value, pattern, open, close);

  // Letter case never counts in wildcard rules.
  return WithChars<true>(pattern, [&](const auto& pattern_chars) {
    // Checked even when a comparison group fails, so an invalid pattern throws
    // for every value.
    CheckPattern(pattern_chars);
    if (group && !GroupHolds(value, pattern, open, close)) return false;
    return WithChars<true>(
        value, [&](const auto& value_chars) { return LikeMatches(value_chars, pattern_chars); });
  });
}

bool Like(std::string_view value, std::string_view pattern) {
  return WithChars<false>(pattern, [&](const auto& pattern_chars) {
    CheckPattern(pattern_chars);
    return WithChars<false>(
        value, [&](const auto& value_chars) { return LikeMatches(value_chars, pattern_chars); });
  });
}

double Val(std::string_view text) {
  const NumberText number = ScanNumber(text);
  if (const std::optional<double> exact = ExactSmallValue(number)) return *exact;
  return StrtodValue(number);
}

}  // namespace quarvel::sink
