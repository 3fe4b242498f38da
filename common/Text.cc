#include "common/Text.h"

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/stringpiece.h>
#include <unicode/uchar.h>

#include <cstdint>
#include <cstring>

namespace quarvel::text {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr char32_t kInvalidByteBase = 0xDC00;

struct Decoded {
  char32_t ch;
  std::size_t length;
};

constexpr bool IsInvalidByteChar(char32_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

constexpr bool InRange(unsigned char c, unsigned char lo, unsigned char hi) {
  return c >= lo && c <= hi;
}

// Strict UTF-8 (no overlong forms, surrogates or values past U+10FFFF), so every
// byte sequence has exactly one decoding and encoding it again gives the same bytes.
Decoded DecodeAt(std::string_view s, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) return {b0, 1};
  const std::size_t left = s.size() - i;
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  if (InRange(b0, 0xC2, 0xDF)) {
    if (left >= 2 && InRange(at(1), 0x80, 0xBF)) {
      return {static_cast<char32_t>((b0 & 0x1Fu) << 6 | (at(1) & 0x3Fu)), 2};
    }
  } else if (InRange(b0, 0xE0, 0xEF)) {
    const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;
    const unsigned char hi = b0 == 0xED ? 0x9F : 0xBF;
    if (left >= 3 && InRange(at(1), lo, hi) && InRange(at(2), 0x80, 0xBF)) {
      return {static_cast<char32_t>((b0 & 0x0Fu) << 12 | (at(1) & 0x3Fu) << 6 | (at(2) & 0x3Fu)),
              3};
    }
  } else if (InRange(b0, 0xF0, 0xF4)) {
    const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF;
    if (left >= 4 && InRange(at(1), lo, hi) && InRange(at(2), 0x80, 0xBF) &&
        InRange(at(3), 0x80, 0xBF)) {
      return {static_cast<char32_t>((b0 & 0x07u) << 18 | (at(1) & 0x3Fu) << 12 |
                                    (at(2) & 0x3Fu) << 6 | (at(3) & 0x3Fu)),
              4};
    }
  }
  return {kInvalidByteBase + b0, 1};
}

void AppendUtf8(char32_t c, std::string& out) {
  if (IsInvalidByteChar(c)) {
    out.push_back(static_cast<char>(c - kInvalidByteBase));
    return;
  }
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;  // not representable
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

char32_t Fold(char32_t c) {
  // Stand-ins for invalid bytes are surrogates, which ICU leaves alone.
  return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

constexpr std::uint64_t kEveryByte = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = kEveryByte * 0x80;

std::uint64_t LoadWord(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// AsciiLower on eight bytes at once; every byte must be below 0x80. Adding to a
// byte below 0x80 sets its high bit exactly when the byte reaches the bound, and
// never carries into the next byte.
constexpr std::uint64_t AsciiLowerWord(std::uint64_t word) {
  const std::uint64_t at_least_a = word + kEveryByte * (0x80 - 'A');
  const std::uint64_t above_z = word + kEveryByte * (0x80 - 'Z' - 1);
  const std::uint64_t upper = at_least_a & ~above_z & kHighBits;
  return word | (upper >> 2);  // 0x80 >> 2 is the case bit 0x20.
}

// Bytes of `text` from `pos` that match all of `pattern` ignoring case, or npos.
// The lengths differ when folding pairs characters of different UTF-8 sizes.
std::size_t MatchLength(std::string_view text, std::size_t pos, std::string_view pattern) {
  std::size_t i = pos;
  std::size_t j = 0;
  // Most texts compared differ at once, in an ASCII letter; that needs no
  // word arithmetic.
  if (!pattern.empty() && i < text.size()) {
    const auto a = static_cast<unsigned char>(text[i]);
    const auto b = static_cast<unsigned char>(pattern[0]);
    if ((a | b) < 0x80 && AsciiLower(a) != AsciiLower(b)) return npos;
  }
  // Eight bytes per step while both sides are ASCII, with the same outcome as the
  // loop below: rule texts are tested against every message.
  while (j + 8 <= pattern.size() && i + 8 <= text.size()) {
    const std::uint64_t a = LoadWord(text.data() + i);
    const std::uint64_t b = LoadWord(pattern.data() + j);
    if ((a | b) & kHighBits) break;
    if (AsciiLowerWord(a) != AsciiLowerWord(b)) return npos;
    i += 8;
    j += 8;
  }
  while (j < pattern.size()) {
    if (i >= text.size()) return npos;
    const auto a = static_cast<unsigned char>(text[i]);
    const auto b = static_cast<unsigned char>(pattern[j]);
    if ((a | b) < 0x80) {
      if (AsciiLower(a) != AsciiLower(b)) return npos;
      ++i;
      ++j;
      continue;
    }
    const Decoded x = DecodeAt(text, i);
    const Decoded y = DecodeAt(pattern, j);
    if (x.ch != y.ch && Fold(x.ch) != Fold(y.ch)) return npos;
    i += x.length;
    j += y.length;
  }
  return i - pos;
}

struct Match {
  std::size_t pos;
  std::size_t length;
};

Match FindMatch(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (from > haystack.size()) return {npos, 0};
  if (needle.empty()) return {from, 0};
  // A non-ASCII character may fold to an ASCII one (KELVIN SIGN to "k"), so the
  // first-byte filter only applies to ASCII positions.
  const auto first = static_cast<unsigned char>(needle[0]);
  const bool asciiFirst = first < 0x80;
  const unsigned char firstLower = AsciiLower(first);
  for (std::size_t p = from; p < haystack.size();) {
    const auto c = static_cast<unsigned char>(haystack[p]);
    if (c < 0x80) {
      if (!asciiFirst || AsciiLower(c) == firstLower) {
        const std::size_t n = MatchLength(haystack, p, needle);
        if (n != npos) return {p, n};
      }
      ++p;
      continue;
    }
    const std::size_t n = MatchLength(haystack, p, needle);
    if (n != npos) return {p, n};
    p += DecodeAt(haystack, p).length;
  }
  return {npos, 0};
}

// ICU takes 32-bit lengths; upper-casing in the root locale is context free, so
// long runs may be cut at any character boundary.
constexpr std::size_t kMaxIcuRun = std::size_t{1} << 24;

void AppendUpperRun(std::string_view run, std::string& out) {
  const std::size_t before = out.size();
  icu::StringByteSink<std::string> sink(&out);
  UErrorCode status = U_ZERO_ERROR;
  icu::CaseMap::utf8ToUpper("", 0, icu::StringPiece(run.data(), static_cast<int32_t>(run.size())),
                            sink, nullptr, status);
  if (U_FAILURE(status)) {
    out.resize(before);
    out.append(run);
  }
}

}  // namespace

std::u32string DecodeUtf8(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const Decoded d = DecodeAt(utf8, i);
    out.push_back(d.ch);
    i += d.length;
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view chars) {
  std::string out;
  out.reserve(chars.size());
  for (char32_t c : chars) AppendUtf8(c, out);
  return out;
}

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

bool IsAscii(std::string_view s) {
  // Eight bytes per step: header values run to hundreds of bytes and are tested
  // against every rule. The last word may overlap the one before, and short
  // texts take two overlapping halves of a word, so no byte loop is left over.
  const char* const p = s.data();
  const std::size_t n = s.size();
  if (n >= 8) {
    for (std::size_t i = 0; i + 8 < n; i += 8) {
      if (LoadWord(p + i) & kHighBits) return false;
    }
    return (LoadWord(p + n - 8) & kHighBits) == 0;
  }
  if (n >= 4) {
    std::uint32_t head;
    std::uint32_t tail;
    std::memcpy(&head, p, sizeof head);
    std::memcpy(&tail, p + n - 4, sizeof tail);
    return ((head | tail) & 0x80808080u) == 0;
  }
  unsigned bits = 0;
  for (std::size_t i = 0; i < n; ++i) bits |= static_cast<unsigned char>(p[i]);
  return bits < 0x80;
}

std::string UpperCase(std::string_view s) {
  if (IsAscii(s)) {
    std::string out(s);
    for (char& c : out) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    }
    return out;
  }
  std::string out;
  out.reserve(s.size() + s.size() / 4);
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t start = i;
    while (i < s.size() && i - start < kMaxIcuRun) {
      const Decoded d = DecodeAt(s, i);
      if (IsInvalidByteChar(d.ch)) break;
      i += d.length;
    }
    if (i > start) {
      AppendUpperRun(s.substr(start, i - start), out);
    } else {
      out.push_back(s[i]);  // an invalid byte stays as it is
      ++i;
    }
  }
  return out;
}

char32_t CaseKey(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
  const char32_t folded = Fold(c);
  const auto upper = static_cast<char32_t>(u_toupper(static_cast<UChar32>(folded)));
  // Dotless i upper-cases to "I", whose fold is "i": taking that upper case
  // would make the two letters one, which the case-insensitive comparison
  // keeps apart.
  return Fold(upper) == folded ? upper : folded;
}

std::u32string DecodeCaseKeys(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const Decoded d = DecodeAt(utf8, i);
    out.push_back(CaseKey(d.ch));
    i += d.length;
  }
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  // Texts of one length, eight bytes or more, compare a word at a time while
  // both stay ASCII, the last word overlapping the one before; only a word
  // with another byte needs the full comparison.
  const std::size_t n = a.size();
  if (n == b.size() && n >= 8) {
    for (std::size_t i = 0;; i += 8) {
      if (i > n - 8) i = n - 8;
      const std::uint64_t x = LoadWord(a.data() + i);
      const std::uint64_t y = LoadWord(b.data() + i);
      if ((x | y) & kHighBits) break;
      if (AsciiLowerWord(x) != AsciiLowerWord(y)) return false;
      if (i == n - 8) return true;
    }
  }
  return MatchLength(a, 0, b) == a.size();
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return MatchLength(text, 0, prefix) != npos;
}

std::size_t PrefixLengthIgnoreCase(std::string_view text, std::string_view prefix) {
  return MatchLength(text, 0, prefix);
}

std::size_t FindIgnoreCase(std::string_view haystack, std::string_view needle, std::size_t from) {
  return FindMatch(haystack, needle, from).pos;
}

std::string ReplaceIgnoreCase(std::string_view text, std::string_view word,
                              std::string_view replacement) {
  if (word.empty()) return std::string(text);
  std::string out;
  std::size_t done = 0;
  for (Match m = FindMatch(text, word, 0); m.pos != npos; m = FindMatch(text, word, done)) {
    out.append(text.substr(done, m.pos - done));
    out.append(replacement);
    done = m.pos + m.length;
  }
  out.append(text.substr(done));
  return out;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  std::size_t done = 0;
  for (std::size_t pos = text.find(from); pos != npos; pos = text.find(from, done)) {
    out.append(text.substr(done, pos - done));
    out.append(to);
    done = pos + from.size();
  }
  out.append(text.substr(done));
  return out;
}

std::size_t CharCount(std::string_view s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++count) {
    i += static_cast<unsigned char>(s[i]) < 0x80 ? 1 : DecodeAt(s, i).length;
  }
  return count;
}

std::string AsciiLowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool EqualsAsciiIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool StartsWithAsciiIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsAsciiIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::string EscapeControlChars(std::string_view text, std::string_view prefix) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      out += prefix;
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace quarvel::text
