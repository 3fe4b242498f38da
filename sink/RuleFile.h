// The rule file "Quarvel.ini": the only data the setup program passes to the
// sink. Section "Quarvel RuleSet1" holds numbered rules (ConditionHeader1,
// ConditionValue1, Action1, Target1, TargetDisplayName1, ...); section
// "Quarvel PickupDir" holds the SMTP pickup directory under "Path".
//
// The list ends at the first number whose four keys ConditionHeader,
// ConditionValue, Action and Target are all missing or empty; numbers run from
// 1 to 32767 at most. Each rule loads as a whole record, so a TAB or any other
// character inside a value stays in that value.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/basIniFile.h"

namespace quarvel::sink {

inline constexpr std::string_view kRuleFileName = "Quarvel.ini";
inline constexpr std::string_view kRuleSection = "Quarvel RuleSet1";
inline constexpr std::string_view kPickupSection = "Quarvel PickupDir";
inline constexpr std::string_view kPickupKey = "Path";
inline constexpr int kMaxRuleNumber = 32767;

// Targets and action words the sink recognises.
inline constexpr std::string_view kDeleteTarget = "<NULL>";
inline constexpr std::string_view kForwardAction = "Forward to";

struct Rule {
  std::string header;  // "ConditionHeader": a header name, "subject" or "IMFSCL"
  std::string value;   // "ConditionValue": the condition pattern
  std::string action;  // "Action": "move to", "forward to" or "delete"
  std::string target;  // "Target": folder URL, address, or "<NULL>"

  bool operator==(const Rule&) const = default;
};

struct RuleSet {
  std::vector<Rule> rules;
  std::string pickupPath;
};

// Reads the rule file again and again, keeping its buffers from one load to
// the next: the sink loads the file at every saved item. The views it returns
// stay valid until the next Load or Parse. Not thread-safe: one per thread.
class RuleFileReader {
 public:
  struct RuleView {
    std::string_view header, value, action, target;
  };

  // A missing or unreadable file gives no rules and an empty pickup path.
  void Load(const std::string& path);
  void Parse(std::string_view text);

  [[nodiscard]] std::span<const RuleView> Rules() const { return rules_; }
  [[nodiscard]] std::string_view PickupPath() const { return pickupPath_; }

 private:
  void Collect();

  IniReader ini_;
  std::vector<RuleView> rules_;
  std::string_view pickupPath_;
};

// Fills `list` with one field of every rule, then the empty entry after the
// last rule; without rules the list is empty. The list's strings are reused,
// and a string that holds its text already is left as it is: the file seldom
// changes from one load to the next.
void FillRuleList(std::vector<std::string>& list, std::span<const RuleFileReader::RuleView> rules,
                  std::string_view RuleFileReader::RuleView::*field);

// Reads the file as the sink sees it. A missing or unreadable file gives no
// rules and an empty pickup path; this never throws for bad file content.
[[nodiscard]] RuleSet ReadRuleFile(const std::string& path);

// Parses rule-file text; ReadRuleFile is this over the file's bytes.
[[nodiscard]] RuleSet ParseRuleFile(std::string_view text);

}  // namespace quarvel::sink
