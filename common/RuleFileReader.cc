#include "common/RuleFileReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "common/basIniFile.h"

namespace quarvel {

namespace {

template <typename Word>
Word LoadWord(const char* p) {
  Word word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// Whether the key begins with the word, letter case ignored. The word is
// given in small letters and holds nothing else, and setting the case bit 0x20
// maps exactly the two cases of a letter onto its small letter. Two whole-word
// loads that overlap cover the word: this runs for every key of the section.
template <std::size_t N>
bool BeginsWithWord(std::string_view key, const char (&word)[N]) {
  constexpr std::size_t length = N - 1;
  using Word = std::conditional_t<(length >= 8), std::uint64_t, std::uint32_t>;
  static_assert(length >= sizeof(Word) && length <= 2 * sizeof(Word));
  if (key.size() < length) return false;
  constexpr auto kCaseBits = static_cast<Word>(0x2020202020202020u);
  const auto difference = [&](std::size_t at) {
    return (LoadWord<Word>(key.data() + at) | kCaseBits) ^ LoadWord<Word>(word + at);
  };
  return (difference(0) | difference(length - sizeof(Word))) == 0;
}

// Splits a key such as "target12" into its word index (ConditionHeader,
// ConditionValue, Action, Target) and rule number. The four words are ASCII
// and no non-ASCII character folds onto their letters, so a key with other
// characters can never equal one of them. This runs for every line of the
// rule section at every save.
bool ParseRuleKey(std::string_view key, std::size_t& word, int& number) {
  if (key.empty()) return false;
  std::size_t length = 0;
  switch (key.front() | 0x20) {
    case 'c':
      if (BeginsWithWord(key, "conditionheader")) {
        word = 0, length = 15;
      } else if (BeginsWithWord(key, "conditionvalue")) {
        word = 1, length = 14;
      }
      break;
    case 'a':
      if (BeginsWithWord(key, "action")) word = 2, length = 6;
      break;
    case 't':
      if (BeginsWithWord(key, "target")) word = 3, length = 6;
      break;
  }
  if (length == 0) return false;
  // Numbers are written without leading zeros ("Target01" is another key), with
  // at most five digits.
  const auto digits = key.substr(length);
  if (digits.empty() || digits.front() < '1' || digits.front() > '9' || digits.size() > 5) {
    return false;
  }
  unsigned value = 0;
  for (const char c : digits) {
    const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
    if (digit > 9) return false;
    value = value * 10 + digit;
  }
  number = static_cast<int>(value);
  return number <= kMaxRuleNumber;
}

}  // namespace

void RuleFileReader::Load(const std::string& path) {
  // The same bytes as last time give the same rules, already collected.
  if (ini_.Load(path)) Collect();
}

void RuleFileReader::Parse(std::string_view text) {
  ini_.Parse(text);
  Collect();
}

void RuleFileReader::Collect() {
  rules_.clear();
  pickupPath_ = ini_.Read(kPickupSection, kPickupKey, "");
  const auto* entries = ini_.Entries(kRuleSection);
  if (entries == nullptr) return;

  // Straight into the rules by number; the first key of a name wins. A value
  // read from the file always points into the reader's text, so a view
  // without data marks a word not seen yet.
  static constexpr std::string_view RuleView::*kWords[] = {&RuleView::header, &RuleView::value,
                                                           &RuleView::action, &RuleView::target};
  for (const auto& [key, value] : *entries) {
    std::size_t word = 0;
    int number = 0;
    if (!ParseRuleKey(key, word, number)) continue;
    const auto index = static_cast<std::size_t>(number - 1);
    if (rules_.size() <= index) {
      // Grown in steps, not rule by rule: the cut below drops what stays empty.
      rules_.resize(std::min<std::size_t>(std::max(index + 1, 2 * rules_.size()), kMaxRuleNumber));
    }
    auto& slot = rules_[index].*kWords[word];
    if (slot.data() == nullptr) slot = value;
  }
  // The list ends before the first rule without any of its four values.
  for (std::size_t i = 0; i < rules_.size(); ++i) {
    const auto& rule = rules_[i];
    if (rule.header.empty() && rule.value.empty() && rule.action.empty() && rule.target.empty()) {
      rules_.resize(i);
      break;
    }
  }
}

namespace {

RuleSet CopyRules(const RuleFileReader& reader) {
  RuleSet set;
  set.pickupPath = reader.PickupPath();
  for (const auto& rule : reader.Rules()) {
    set.rules.push_back({std::string(rule.header), std::string(rule.value),
                         std::string(rule.action), std::string(rule.target)});
  }
  return set;
}

}  // namespace

RuleSet ParseRuleFile(std::string_view text) {
  RuleFileReader reader;
  reader.Parse(text);
  return CopyRules(reader);
}

RuleSet ReadRuleFile(const std::string& path) {
  RuleFileReader reader;
  reader.Load(path);
  return CopyRules(reader);
}

}  // namespace quarvel
