#include "sink/HeaderMatching.h"

#include "common/Text.h"
#include "sink/basParser.h"

namespace quarvel::sink {

namespace {

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

HeaderLines::HeaderLines(std::string_view headerText) {
  std::size_t start = 0;
  while (start <= headerText.size()) {
    auto end = headerText.find("\r\n", start);
    if (end == std::string_view::npos) end = headerText.size();
    const auto line = headerText.substr(start, end - start);
    start = end + 2;
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || TrimView(line).empty()) continue;
    lines_.emplace_back(TrimView(line.substr(0, colon)), TrimView(line.substr(colon + 1)));
  }
}

std::optional<std::string_view> HeaderLines::FirstValue(std::string_view name) const {
  for (const auto& [lineName, value] : lines_) {
    if (text::EqualsIgnoreCase(lineName, name)) return value;
  }
  return std::nullopt;
}

bool MatchHeaderLine(const HeaderLines& lines, std::string_view header, std::string_view value) {
  const auto found = lines.FirstValue(header);
  return found && ConditionHolds(*found, value);
}

bool MatchHeaderLine(std::string_view headerText, std::string_view header,
                     std::string_view value) {
  if (headerText.empty()) return false;
  return MatchHeaderLine(HeaderLines(headerText), header, value);
}

bool UsesWholeHeaderText(std::string_view value) {
  // Both words start with "vb", which no other letters fold to; most values
  // have no such pair, and every rule of every message asks.
  bool pair = false;
  for (std::size_t i = 1; i < value.size() && !pair; ++i) {
    pair = (value[i] | 0x20) == 'b' && (value[i - 1] | 0x20) == 'v';
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
