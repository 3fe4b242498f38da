#include "sink/RuleLists.h"

#include <cstdint>
#include <cstring>

namespace quarvel::sink {

namespace {

template <typename Word>
Word LoadWord(const char* p) {
  Word word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// Equal texts. Rule texts are short: words compare them without a call, the
// last word overlapping the one before. Targets (folder URLs) run to a few
// dozen bytes, and every text of every rule is compared at every save.
bool SameText(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  if (n < 8 || n > 128) return a == b;
  const char* const x = a.data();
  const char* const y = b.data();
  for (std::size_t i = 0; i + 8 < n; i += 8) {
    if (LoadWord<std::uint64_t>(x + i) != LoadWord<std::uint64_t>(y + i)) return false;
  }
  return LoadWord<std::uint64_t>(x + n - 8) == LoadWord<std::uint64_t>(y + n - 8);
}

}  // namespace

void FillRuleList(std::vector<std::string>& list, std::span<const RuleFileReader::RuleView> rules,
                  std::string_view RuleFileReader::RuleView::*field) {
  if (rules.empty()) {
    list.clear();
    return;
  }
  list.resize(rules.size() + 1);
  for (std::size_t i = 0; i < rules.size(); ++i) {
    const std::string_view text = rules[i].*field;
    if (!SameText(list[i], text)) list[i].assign(text);
  }
  list.back().clear();
}

}  // namespace quarvel::sink
