// The rule file "Quarvel.ini": the only data the setup program passes to the
// sink, written by the one and read by the other. This is its format; the
// sink's reader is RuleFileReader, the setup program writes it through
// basIniFileWriter.
//
//   [Quarvel RuleSet1]
//   ConditionHeader1=Subject          header name, "subject" or "IMFSCL"
//   ConditionValue1=[SPAM]            the condition pattern, may be empty
//   Action1=move to                   "move to", "forward to" or "delete"
//   Target1=http://MAIL01/Public/Junk folder URL, address, or "<NULL>"
//   TargetDisplayName1=Junk           shown by the setup program only
//   ConditionHeader2=...
//   [Quarvel PickupDir]
//   Path=/srv/exsim/pickup            the SMTP pickup directory
//
// Rules are numbered from 1 in decimal without leading zeros; the list ends
// at the first number whose ConditionHeader, ConditionValue, Action and
// Target are all missing or empty. Names match ignoring letter case.
#pragma once

#include <string>
#include <string_view>

namespace quarvel {

inline constexpr std::string_view kRuleFileName = "Quarvel.ini";
inline constexpr std::string_view kRuleSection = "Quarvel RuleSet1";
inline constexpr std::string_view kPickupSection = "Quarvel PickupDir";
inline constexpr std::string_view kPickupKey = "Path";

// The words of a rule's keys; the rule's number follows each.
inline constexpr std::string_view kConditionHeaderKey = "ConditionHeader";
inline constexpr std::string_view kConditionValueKey = "ConditionValue";
inline constexpr std::string_view kActionKey = "Action";
inline constexpr std::string_view kTargetKey = "Target";
inline constexpr std::string_view kTargetDisplayNameKey = "TargetDisplayName";

// Rule numbers are 16-bit signed counters.
inline constexpr int kMaxRuleNumber = 32767;

// The target of a delete rule, and the action word the sink forwards on
// (letter case ignored); every other action moves.
inline constexpr std::string_view kDeleteTarget = "<NULL>";
inline constexpr std::string_view kForwardAction = "Forward to";

// A rule's key: the word, then the number ("Target12").
[[nodiscard]] inline std::string RuleKey(std::string_view word, int number) {
  std::string key(word);
  key += std::to_string(number);
  return key;
}

}  // namespace quarvel
