#include "platform/directory/ValuePattern.h"

#include <unicode/uchar.h>

#include "common/Text.h"

namespace quarvel::platform::directory {

std::string FoldCase(std::string_view text) {
  if (text::IsAscii(text)) {
    return text::AsciiLowerCase(text);
  }
  std::u32string chars = text::DecodeUtf8(text);
  for (char32_t& c : chars) {
    // Stand-ins for invalid bytes are lone surrogates, which folding keeps.
    c = static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
  }
  return text::EncodeUtf8(chars);
}

ValuePattern::ValuePattern(std::string_view value) {
  if (value == "*") {
    presence_ = true;
    return;
  }
  const std::string folded = FoldCase(value);
  std::size_t start = 0;
  while (true) {
    const std::size_t star = folded.find('*', start);
    parts_.push_back(folded.substr(start, star - start));
    if (star == std::string::npos) break;
    wildcard_ = true;
    start = star + 1;
  }
}

bool ValuePattern::Matches(std::string_view value) const {
  if (presence_) return true;
  const std::string folded = FoldCase(value);
  if (!wildcard_) return folded == parts_.front();
  const std::string& first = parts_.front();
  const std::string& last = parts_.back();
  if (folded.size() < first.size() + last.size()) return false;
  if (folded.compare(0, first.size(), first) != 0) return false;
  if (folded.compare(folded.size() - last.size(), last.size(), last) != 0) return false;
  // The middle parts in order, between the anchored ends and not overlapping them.
  std::size_t from = first.size();
  const std::size_t end = folded.size() - last.size();
  for (std::size_t i = 1; i + 1 < parts_.size(); ++i) {
    const std::size_t found = folded.find(parts_[i], from);
    if (found == std::string::npos || found + parts_[i].size() > end) return false;
    from = found + parts_[i].size();
  }
  return true;
}

}  // namespace quarvel::platform::directory
