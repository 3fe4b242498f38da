#include "sink/HeaderMatching.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "common/Text.h"
#include "sink/basParser.h"

namespace quarvel::sink {

namespace {

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Whether a "v" (either case) comes right before a "b" somewhere in eight
// bytes. Setting the case bit maps exactly "V" and "v" onto "v", and "B" and
// "b" onto "b"; a byte's high bit then marks each letter found.
bool HasVbPair(std::uint64_t word) {
  constexpr std::uint64_t kEveryByte = 0x0101010101010101u;
  constexpr std::uint64_t kLowBits = kEveryByte * 0x7F;
  const auto bytesEqual = [](std::uint64_t x) {  // high bit of each zero byte
    return ~(((x & kLowBits) + kLowBits) | x | kLowBits);
  };
  const std::uint64_t folded = word | kEveryByte * 0x20;
  const std::uint64_t v = bytesEqual(folded ^ kEveryByte * 'v');
  const std::uint64_t b = bytesEqual(folded ^ kEveryByte * 'b');
  // The byte after another one sits eight bits higher in little-endian order.
  if constexpr (std::endian::native == std::endian::little) return ((v << 8) & b) != 0;
  return ((v >> 8) & b) != 0;
}

}  // namespace

HeaderLines::HeaderLines(std::string_view headerText) {
  // Header lines are rarely shorter than this, so the list seldom grows.
  lines_.reserve(headerText.size() / 32 + 4);
  std::size_t start = 0;
  while (start <= headerText.size()) {
    auto end = headerText.find("\r\n", start);
    if (end == std::string_view::npos) end = headerText.size();
    const auto line = headerText.substr(start, end - start);
    start = end + 2;
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || TrimView(line).empty()) continue;
    const auto name = TrimView(line.substr(0, colon));
    lines_.push_back({name, TrimView(line.substr(colon + 1)), text::IsAscii(name)});
  }
}

std::optional<std::string_view> HeaderLines::FirstValue(std::string_view name) const {
  // Two ASCII names of different lengths never match: most lines fail on
  // that alone, and every header rule of a message looks up a name.
  const bool asciiName = text::IsAscii(name);
  for (const auto& line : lines_) {
    if (asciiName && line.asciiName && line.name.size() != name.size()) continue;
    if (text::EqualsIgnoreCase(line.name, name)) return line.value;
  }
  return std::nullopt;
}

bool MatchHeaderLine(const HeaderLines& lines, std::string_view header, std::string_view value) {
  const auto found = lines.FirstValue(header);
  return found && ConditionHolds(*found, value);
}

bool MatchHeaderLine(std::string_view headerText, std::string_view header, std::string_view value) {
  if (headerText.empty()) return false;
  return MatchHeaderLine(HeaderLines(headerText), header, value);
}

bool UsesWholeHeaderText(std::string_view value) {
  // Both words start with "vb", which no other letters fold to; most values
  // have no such pair, and every rule of every message asks. Eight bytes at a
  // time, overlapping by one so that no pair falls between two words.
  bool pair = false;
  if (value.size() >= 8) {
    const std::size_t last = value.size() - 8;
    for (std::size_t at = 0; !pair; at += 7) {
      if (at > last) at = last;
      std::uint64_t word;
      std::memcpy(&word, value.data() + at, sizeof word);
      pair = HasVbPair(word);
      if (at == last) break;
    }
  } else {
    for (std::size_t i = 1; i < value.size() && !pair; ++i) {
      pair = (value[i] | 0x20) == 'b' && (value[i - 1] | 0x20) == 'v';
    }
  }
  if (!pair) return false;
  return text::FindIgnoreCase(value, "vbCrLf") != std::string_view::npos ||
         text::FindIgnoreCase(value, "vbTab") != std::string_view::npos;
}

bool WholeHeaderTextMatches(std::string_view headerText, std::string_view header,
                            std::string_view value) {
  auto expanded = text::ReplaceIgnoreCase(value, "vbCRLF", "\r\n");
  expanded = text::ReplaceIgnoreCase(expanded, "vbTAB", "\t");
  const auto wanted = std::string(header) + ": " + expanded;
  return text::FindIgnoreCase(headerText, wanted) != std::string_view::npos;
}

std::string ExtractAddress(std::string_view target) {
  const auto open = target.find('<');
  const auto at = target.find('@');
  const auto close = target.find('>');
  if (open != std::string_view::npos && at != std::string_view::npos &&
      close != std::string_view::npos && open < at && at < close) {
    return std::string(target.substr(open + 1, close - open - 1));
  }
  return std::string(target);
}

}  // namespace quarvel::sink
