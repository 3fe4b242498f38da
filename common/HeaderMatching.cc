#include "common/HeaderMatching.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "common/Text.h"
#include "common/basParser.h"

namespace quarvel::matching {

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

namespace {

// FNV-1a over the ASCII lower case of a name known to be ASCII.
std::uint32_t AsciiNameHash(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (const char c : name) {
    const auto lower = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    hash = (hash ^ lower) * 16777619u;
  }
  return hash;
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
    lines_.push_back({TrimView(line.substr(0, colon)), TrimView(line.substr(colon + 1))});
  }

  std::size_t size = 16;
  while (size < 2 * lines_.size()) size *= 2;
  slots_.assign(size, Slot{});
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = lines_[i].name;
    if (!text::IsAscii(name)) {
      otherNames_.push_back(static_cast<std::uint32_t>(i));
      continue;
    }
    const auto hash = AsciiNameHash(name);
    for (std::size_t at = hash & (size - 1);; at = (at + 1) & (size - 1)) {
      auto& slot = slots_[at];
      if (slot.line == 0) {
        slot = {hash, static_cast<std::uint32_t>(i + 1)};
        break;
      }
      // A later line of a name already indexed is never the first one.
      if (slot.hash == hash && text::EqualsIgnoreCase(lines_[slot.line - 1].name, name)) break;
    }
  }
}

std::optional<std::size_t> HeaderLines::FirstAsciiLine(std::string_view name) const {
  const auto hash = AsciiNameHash(name);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const auto& slot = slots_[at];
    if (slot.line == 0) return std::nullopt;
    const auto& line = lines_[slot.line - 1];
    if (slot.hash == hash && text::EqualsIgnoreCase(line.name, name)) return slot.line - 1;
  }
}

std::optional<std::string_view> HeaderLines::FirstValue(std::string_view name) const {
  if (!text::IsAscii(name)) {
    // Case folding may pair such a name with an ASCII one: look at every line.
    for (const auto& line : lines_) {
      if (text::EqualsIgnoreCase(line.name, name)) return line.value;
    }
    return std::nullopt;
  }
  auto first = FirstAsciiLine(name);
  // A name with other characters may still fold onto this ASCII one (the
  // Kelvin sign onto "k"); the earlier line wins.
  for (const auto other : otherNames_) {
    if (first && other > *first) break;
    if (text::EqualsIgnoreCase(lines_[other].name, name)) {
      first = other;
      break;
    }
  }
  if (!first) return std::nullopt;
  return lines_[*first].value;
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

}  // namespace quarvel::matching
