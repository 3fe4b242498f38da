// The rule file as the setup program reads and writes it: the rules with the
// display names of their targets, and the pickup directory.
//
// Reading uses the sink's own reader, so the list shows exactly the rules the
// sink applies; a missing or unreadable file reads as no rules and no pickup
// directory, and reading never throws.
//
// Writing the rule list replaces the whole rule section and the pickup
// directory in one whole-file replace: a sink that reads meanwhile sees the
// old list or the new one, never a mix, an empty section or half a list, and
// no rule beyond the list's end (after a gap, or of a longer list before)
// survives. A value the file cannot carry back unchanged is refused before
// anything is written. Failures throw IniError; the file is then as it was.
// Window thread only (several writers of one file must take turns).
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel::setup {

// One rule as the file stores it.
struct StoredRule {
  std::string header;       // "ConditionHeader"
  std::string value;        // "ConditionValue"
  std::string action;       // "Action"
  std::string target;       // "Target"
  std::string displayName;  // "TargetDisplayName"
  bool operator==(const StoredRule&) const = default;
};

struct StoredRuleList {
  std::vector<StoredRule> rules;
  std::string pickupPath;  // "Path" of "Quarvel PickupDir"
};

// Whether the file can hold `value` and give it back: no CR or LF (a line
// break would end the key's line and make the rest a key of its own) and at
// most 2047 characters (readers cut longer values, and a cut target sends
// mail to the wrong place).
[[nodiscard]] bool IsStorableValue(std::string_view value);

// What a person is told when a value is refused.
inline constexpr const char* kValueRefusedMessage =
    "A value that holds a line break or is longer than 2047 characters cannot be stored in the "
    "rule file. Nothing was saved.";

[[nodiscard]] StoredRuleList ReadRuleList(const std::filesystem::path& file);

// Rule n of the file becomes rules[n - 1], nothing after it; then the pickup path.
void WriteRuleList(const std::filesystem::path& file, std::span<const StoredRule> rules,
                   std::string_view pickupPath);

// Only the pickup directory, leaving the rules as they are.
void WritePickupPath(const std::filesystem::path& file, std::string_view pickupPath);
[[nodiscard]] std::string ReadPickupPath(const std::filesystem::path& file);

// Removes the rule section and nothing else.
void DeleteRuleSection(const std::filesystem::path& file);

}  // namespace quarvel::setup
