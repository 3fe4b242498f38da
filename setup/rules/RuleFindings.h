// The rule checks' findings on the rule list, where a person sees them: the
// same findings, in the same words, as `quarvel-explain lint` gives for the
// rule file. A rule with a finding shows in the rules list in red (an error:
// it never matches, or cannot act) or brown (a warning: it is never reached,
// or does less than it seems to), and its row's tooltip lists the findings
// under the condition. A finding after the last rule (the numbering gap that
// hides later rules) goes on the last row.
//
// Checks without a server: what only the store knows (missing move targets,
// the sink's registrations) is not looked at, as for a lint without --root.
// Never throws for any rule file content. Window thread only.
#pragma once

#include <filesystem>
#include <span>
#include <vector>

#include "common/RuleLint.h"
#include "platform/controls/ListView.h"

namespace quarvel::setup {

inline constexpr platform::controls::Color kRuleErrorColor =
    platform::controls::Color::Rgb(192, 0, 0);
inline constexpr platform::controls::Color kRuleWarningColor =
    platform::controls::Color::Rgb(150, 90, 0);

// The findings for the rule file as the sink reads it; none for a missing file.
[[nodiscard]] std::vector<lint::Finding> RuleFileFindings(const std::filesystem::path& ruleFile);

// Marks the rows of the rules list (row n is rule n) with `findings`, which
// are ordered by rule. Rows without a finding are left as they are.
void ShowRuleFindings(platform::controls::ListView& rules, std::span<const lint::Finding> findings);

}  // namespace quarvel::setup
