// Reading the rule file (RuleFile.h) as the sink sees it: whole records,
// so a TAB or any other character inside a value stays in that value, and
// the list ends at the first number without any of its four values; numbers
// run from 1 to 32767 at most. Targets' display names are the setup
// program's and are not read here.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/RuleFile.h"
#include "common/basIniFile.h"

namespace quarvel {

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
  // The whole file as read, for the keys the sink does not use.
  [[nodiscard]] const IniReader& Ini() const { return ini_; }

 private:
  void Collect();

  IniReader ini_;
  std::vector<RuleView> rules_;
  std::string_view pickupPath_;
};

// Reads the file as the sink sees it. A missing or unreadable file gives no
// rules and an empty pickup path; this never throws for bad file content.
[[nodiscard]] RuleSet ReadRuleFile(const std::string& path);

// Parses rule-file text; ReadRuleFile is this over the file's bytes.
[[nodiscard]] RuleSet ParseRuleFile(std::string_view text);

}  // namespace quarvel
