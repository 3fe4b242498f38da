#include "sink/RuleFile.h"

#include <array>
#include <charconv>
#include <cstring>

#include "common/basIniFile.h"

namespace quarvel::sink {

namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether the key begins with the word, letter case ignored. The word's
// length is known at compile time, so the exact-case test (how the setup
// program spells every key) compiles to a few loads.
template <std::size_t N>
bool BeginsWithWord(std::string_view key, const char (&word)[N]) {
  constexpr std::size_t length = N - 1;
  if (key.size() < length) return false;
  if (std::memcmp(key.data(), word, length) == 0) return true;
  for (std::size_t i = 0; i < length; ++i) {
    if (AsciiUpper(key[i]) != AsciiUpper(word[i])) return false;
  }
  return true;
}

// Splits a key such as "target12" into its word index (ConditionHeader,
// ConditionValue, Action, Target) and rule number. The four words are ASCII
// and no non-ASCII character folds onto their letters, so a key with other
// characters can never equal one of them. This runs for every line of the
// rule section at every save.
bool ParseRuleKey(std::string_view key, std::size_t& word, int& number) {
  if (key.empty()) return false;
  std::size_t length = 0;
  switch (AsciiUpper(key.front())) {
    case 'C':
      if (BeginsWithWord(key, "ConditionHeader")) {
        word = 0, length = 15;
      } else if (BeginsWithWord(key, "ConditionValue")) {
        word = 1, length = 14;
      }
      break;
    case 'A':
      if (BeginsWithWord(key, "Action")) word = 2, length = 6;
      break;
    case 'T':
      if (BeginsWithWord(key, "Target")) word = 3, length = 6;
      break;
  }
  if (length == 0) return false;
  const auto digits = key.substr(length);
  // Numbers are written without leading zeros; "Target01" is another key.
  if (digits.empty() || digits.front() < '1' || digits.front() > '9' || digits.size() > 5) {
    return false;
  }
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size() && number <= kMaxRuleNumber;
}

}  // namespace

void RuleFileReader::Load(const std::string& path) {
  ini_.Load(path);
  Collect();
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

  // One slot per rule number and key word; the first key of a name wins.
  slots_.clear();
  for (const auto& [key, value] : *entries) {
    std::size_t word = 0;
    int number = 0;
    if (!ParseRuleKey(key, word, number)) continue;
    if (slots_.size() < static_cast<std::size_t>(number)) slots_.resize(number);
    auto& slot = slots_[number - 1][word];
    if (slot == nullptr) slot = &value;
  }
  for (const auto& slot : slots_) {
    const auto value = [&](std::size_t word) {
      return slot[word] ? *slot[word] : std::string_view();
    };
    if (value(0).empty() && value(1).empty() && value(2).empty() && value(3).empty()) break;
    rules_.push_back({value(0), value(1), value(2), value(3)});
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

}  // namespace quarvel::sink
