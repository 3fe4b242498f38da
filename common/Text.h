// Text handling shared by the sink and the setup program.
//
// Text is UTF-8. A character is a Unicode code point; a byte that is not part of
// a valid UTF-8 sequence counts as one character of its own and is carried
// through unchanged, so no input ever crashes these routines or loses bytes.
// Letter case follows ICU's locale-independent (root) rules. Trimming removes
// the space character only: tabs and other white space stay.
//
// All functions are pure and safe to call from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quarvel::text {

// One decoded character per element. Invalid bytes become U+DC80..U+DCFF
// (a lone surrogate per byte), which EncodeUtf8 turns back into the same byte.
[[nodiscard]] std::u32string DecodeUtf8(std::string_view utf8);
[[nodiscard]] std::string EncodeUtf8(std::u32string_view chars);

// Removes spaces at both ends.
[[nodiscard]] std::string Trim(std::string_view s);
// Trim without a copy: the part of `s` between the leading and trailing spaces.
// Inline, as hot paths trim several short texts per call.
[[nodiscard]] inline std::string_view TrimView(std::string_view s) {
  std::size_t begin = 0;
  std::size_t end = s.size();
  while (begin < end && s[begin] == ' ') ++begin;
  while (end > begin && s[end - 1] == ' ') --end;
  return s.substr(begin, end - begin);
}

// True when every byte is below 0x80, so bytes and characters coincide.
[[nodiscard]] bool IsAscii(std::string_view s);

// Upper-cases the whole text (full case mapping, e.g. "ß" becomes "SS").
[[nodiscard]] std::string UpperCase(std::string_view s);

// The character that stands for `c` when letter case is ignored one character
// at a time: two characters get the same key exactly when their simple case
// folds agree (as in EqualsIgnoreCase), and a letter's key is its simple upper
// case where that folds back to the same letter ("a" and "A" give "A", "ß"
// stays "ß", the Kelvin sign gives "K"). One character never becomes two, so
// counts and positions stay as they are. Invalid-byte stand-ins keep their value.
[[nodiscard]] char32_t CaseKey(char32_t c);
// DecodeUtf8, then CaseKey on every character.
[[nodiscard]] std::u32string DecodeCaseKeys(std::string_view utf8);

// Case-insensitive comparisons, by simple case folding.
[[nodiscard]] bool EqualsIgnoreCase(std::string_view a, std::string_view b);
[[nodiscard]] bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
// Byte length of the start of `text` that matches all of `prefix` ignoring case,
// or npos when `text` does not begin with it. The length may differ from
// prefix.size() when case variants differ in byte length.
[[nodiscard]] std::size_t PrefixLengthIgnoreCase(std::string_view text, std::string_view prefix);
// Byte offset of the first case-insensitive occurrence of needle in haystack at
// or after byte offset `from`, or npos. An empty needle is found at `from`.
[[nodiscard]] std::size_t FindIgnoreCase(std::string_view haystack, std::string_view needle,
                                         std::size_t from = 0);

// Replaces every case-insensitive occurrence of `word` by `replacement`.
[[nodiscard]] std::string ReplaceIgnoreCase(std::string_view text, std::string_view word,
                                            std::string_view replacement);
// Replaces every exact occurrence of `from` by `to`.
[[nodiscard]] std::string ReplaceAll(std::string_view text, std::string_view from,
                                     std::string_view to);

// Number of characters (code points, invalid bytes counting one each).
[[nodiscard]] std::size_t CharCount(std::string_view s);

// The letters A to Z as a to z; every other byte as it is. For texts that are
// ASCII by their definition (protocol keywords, property and attribute names,
// hex digits), where the Unicode rules above are not wanted. Inline: lookups
// fold every byte they compare.
[[nodiscard]] constexpr unsigned char AsciiLower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}
[[nodiscard]] constexpr char AsciiLower(char c) {
  return static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
}
[[nodiscard]] std::string AsciiLowerCase(std::string_view s);
// Equal after AsciiLower on every byte.
[[nodiscard]] bool EqualsAsciiIgnoreCase(std::string_view a, std::string_view b);
[[nodiscard]] bool StartsWithAsciiIgnoreCase(std::string_view text, std::string_view prefix);

// `text` with each control byte (below 0x20, and 0x7F) written as `prefix`
// and two upper-case hex digits ("\x0A"), so that text from outside can
// neither cut a message short nor forge a line in a log. Other bytes stay.
[[nodiscard]] std::string EscapeControlChars(std::string_view text,
                                             std::string_view prefix = "\\x");

}  // namespace quarvel::text
