#include "sink/RuleFile.h"

#include <array>
#include <charconv>

#include "common/basIniFile.h"

namespace quarvel::sink {

namespace {

constexpr std::array<std::string_view, 4> kRuleKeyWords = {"ConditionHeader", "ConditionValue",
                                                           "Action", "Target"};

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool AsciiStartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiUpper(text[i]) != AsciiUpper(prefix[i])) return false;
  }
  return true;
}

// Splits a key such as "target12" into its word index and rule number. The four
// words are ASCII and no non-ASCII character folds onto their letters, so a key
// with other characters can never equal one of them. The first letter picks the
// candidate word: this runs for every line of the rule section at every save.
bool ParseRuleKey(std::string_view key, std::size_t& word, int& number) {
  if (key.empty()) return false;
  switch (AsciiUpper(key.front())) {
    case 'C':
      word = key.size() > 9 && AsciiUpper(key[9]) == 'H' ? 0 : 1;
      break;
    case 'A':
      word = 2;
      break;
    case 'T':
      word = 3;
      break;
    default:
      return false;
  }
  const auto name = kRuleKeyWords[word];
  if (!AsciiStartsWithIgnoreCase(key, name)) return false;
  const auto digits = key.substr(name.size());
  // Numbers are written without leading zeros; "Target01" is another key.
  if (digits.empty() || digits.front() == '0' || digits.size() > 5) return false;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size() && number >= 1 &&
         number <= kMaxRuleNumber;
}

RuleSet RuleSetFrom(const IniSnapshot& ini) {
  RuleSet set;
  set.pickupPath = ini.Read(kPickupSection, kPickupKey, "");

  const auto* entries = ini.Entries(kRuleSection);
  if (entries == nullptr) return set;

  // One slot per rule number and key word; the first key of a name wins.
  std::vector<std::array<const std::string_view*, 4>> slots;
  for (const auto& [key, value] : *entries) {
    std::size_t word = 0;
    int number = 0;
    if (!ParseRuleKey(key, word, number)) continue;
    if (slots.size() < static_cast<std::size_t>(number)) slots.resize(number);
    auto& slot = slots[number - 1][word];
    if (slot == nullptr) slot = &value;
  }

  set.rules.reserve(slots.size());
  for (const auto& slot : slots) {
    const auto value = [&](std::size_t word) {
      return slot[word] ? *slot[word] : std::string_view();
    };
    if (value(0).empty() && value(1).empty() && value(2).empty() && value(3).empty()) break;
    set.rules.push_back(Rule{std::string(value(0)), std::string(value(1)), std::string(value(2)),
                             std::string(value(3))});
  }
  return set;
}

}  // namespace

RuleSet ParseRuleFile(std::string_view text) { return RuleSetFrom(IniSnapshot::Parse(text)); }

RuleSet ReadRuleFile(const std::string& path) { return RuleSetFrom(IniSnapshot::Load(path)); }

}  // namespace quarvel::sink
