// What a line of an INI file is: a section header, a key line or anything
// else, with the names trimmed as the platform's profile functions trim them.
// The reader (basIniFile) and the writer (basIniFileWriter) share this, so a
// writer finds exactly the section and key a reader would. Internal to the
// two; pure functions, any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/Text.h"

namespace quarvel::ini_syntax {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Hand-edited files indent with either; the platform's reader drops both
// around names and values.
inline bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

inline std::string_view TrimBlanks(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsBlankOrTab(s[b])) ++b;
  while (e > b && IsBlankOrTab(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// What a line (without its line end) is. Reading and writing share this, so a
// writer finds exactly the section and key a reader would.
enum class LineKind : std::uint8_t { kOther, kHeader, kKey };

struct LineShape {
  LineKind kind = LineKind::kOther;
  std::string_view name;       // section or key name, trimmed
  std::size_t valueBegin = 0;  // key lines: offset just past the "="
};

// `eq` is the offset of the line's first "=", or npos; the reader finds it
// while it looks for the line end. A blank is no "=", so the first "=" of the
// line is the first one after the leading blanks too.
inline LineShape Classify(std::string_view line, std::size_t eq) {
  std::size_t b = 0;
  while (b < line.size() && IsBlankOrTab(line[b])) ++b;
  if (b == line.size()) return {};
  if (line[b] == '[') {
    const std::size_t close = line.find(']', b + 1);
    if (close != npos) {
      return {LineKind::kHeader, TrimBlanks(line.substr(b + 1, close - b - 1)), 0};
    }
  }
  if (eq == npos) return {};
  std::string_view name = line.substr(b, eq - b);
  while (!name.empty() && IsBlankOrTab(name.back())) name.remove_suffix(1);
  return {LineKind::kKey, name, eq + 1};
}

inline LineShape Classify(std::string_view line) { return Classify(line, line.find('=')); }

// Section and key names match ignoring letter case.
inline bool SameName(std::string_view a, std::string_view b) {
  return text::EqualsIgnoreCase(a, b);
}

}  // namespace quarvel::ini_syntax
