#include "setup/rules/RuleFileAccess.h"

#include "common/RuleFile.h"
#include "common/RuleFileReader.h"
#include "common/Text.h"
#include "common/basIniFileWriter.h"

namespace quarvel::setup {

namespace {

const std::string& Checked(const std::string& value, const std::filesystem::path& file) {
  if (value.find_first_of("\r\n") == std::string::npos && !IsStorableValue(value)) {
    throw IniError("INI file '" + file.string() + "': refused: value longer than " +
                   std::to_string(kIniValueMaxChars) + " characters");
  }
  // A line break is refused by the writer itself.
  return value;
}

}  // namespace

bool IsStorableValue(std::string_view value) {
  return value.find_first_of("\r\n") == std::string_view::npos &&
         (value.size() <= kIniValueMaxChars || text::CharCount(value) <= kIniValueMaxChars);
}

StoredRuleList ReadRuleList(const std::filesystem::path& file) {
  RuleFileReader reader;
  reader.Load(file.string());
  StoredRuleList list;
  list.pickupPath = reader.PickupPath();
  int number = 0;
  for (const auto& rule : reader.Rules()) {
    ++number;
    list.rules.push_back(
        {std::string(rule.header), std::string(rule.value), std::string(rule.action),
         std::string(rule.target),
         std::string(reader.Ini().Read(kRuleSection, RuleKey(kTargetDisplayNameKey, number)))});
  }
  return list;
}

void WriteRuleList(const std::filesystem::path& file, std::span<const StoredRule> rules,
                   std::string_view pickupPath) {
  const std::string path = file.string();
  IniBatch batch(path);
  batch.DeleteSection(kRuleSection);
  int number = 0;
  for (const StoredRule& rule : rules) {
    ++number;
    batch.Write(kRuleSection, RuleKey(kConditionHeaderKey, number), Checked(rule.header, file))
        .Write(kRuleSection, RuleKey(kConditionValueKey, number), Checked(rule.value, file))
        .Write(kRuleSection, RuleKey(kActionKey, number), Checked(rule.action, file))
        .Write(kRuleSection, RuleKey(kTargetKey, number), Checked(rule.target, file))
        .Write(kRuleSection, RuleKey(kTargetDisplayNameKey, number),
               Checked(rule.displayName, file));
  }
  const std::string pickup(pickupPath);
  batch.Write(kPickupSection, kPickupKey, Checked(pickup, file));
  batch.Commit();
}

void WritePickupPath(const std::filesystem::path& file, std::string_view pickupPath) {
  const std::string pickup(pickupPath);
  WriteIniValue(kPickupSection, kPickupKey, Checked(pickup, file), file.string());
}

std::string ReadPickupPath(const std::filesystem::path& file) {
  return ReadIniValue(kPickupSection, kPickupKey, "", file.string());
}

void DeleteRuleSection(const std::filesystem::path& file) {
  DeleteIniSection(kRuleSection, file.string());
}

}  // namespace quarvel::setup
