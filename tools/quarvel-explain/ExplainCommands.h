// The commands of quarvel-explain, the administrator's dry run: each takes
// its parsed arguments and the output streams and returns the exit code, so
// that tests can run them without a process.
#pragma once

#include <iosfwd>
#include <string>

namespace quarvel::explain {

// Exit codes of `match`.
inline constexpr int kMatch = 0;
inline constexpr int kNoMatch = 1;
inline constexpr int kInvalidPattern = 2;

// Runs the condition test of one value against one pattern.
int RunMatch(const std::string& pattern, const std::string& value, std::ostream& out,
             std::ostream& err);

// Shows the rules of a rule file exactly as the sink loads them. An empty
// path means the rule file beside the sink module.
int RunRules(const std::string& ruleFilePath, bool json, std::ostream& out, std::ostream& err);

// Text for one line of output: control characters, which would break a
// line or a table and hide what the sink compares, shown as \t, \r, \n or
// \xNN, and a backslash doubled.
[[nodiscard]] std::string VisibleText(const std::string& text);

// The rule file the sink reads: beside the module, which quarvel-explain
// shares with Quarvel.so.
[[nodiscard]] std::string DefaultRuleFilePath();

}  // namespace quarvel::explain
