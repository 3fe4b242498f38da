// What is wrong with a rule list before the sink meets it. The sink stays
// silent by design: a rule that can never match, can never be reached or
// cannot act just does nothing. These findings say which rule and why.
//
// Every finding is judged with the sink's own code (its condition test and
// pattern matcher, its destination mapping, its address extraction) and the
// SMTP service's own reading of an envelope address, so that what lint says
// and what the sink does never disagree. A finding is only claimed when it is
// certain; "maybe" is never reported.
//
// Pure: no files, no output. What only a server knows (which folders exist,
// whose address a forward target is, where the sink is registered) comes in
// through ServerFacts, whose functions are the only calls out. Never throws
// for any rule text. Safe on any thread, as far as the facts' functions are.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/RuleFileReader.h"

namespace quarvel::lint {

enum class Severity {
  kError,    // the rule never matches, or it matches and cannot act
  kWarning,  // the rule is never reached, or does less than it seems to
};

struct Finding {
  int rule = 0;  // the rule's number, from 1
  Severity severity = Severity::kError;
  std::string_view code;  // one of the codes below; stable for scripts
  std::string message;    // one sentence for a person, without the rule number

  bool operator==(const Finding&) const = default;
};

// The codes of the findings.
namespace code {
// Errors.
inline constexpr std::string_view kEmptyHeader = "empty-header";
inline constexpr std::string_view kEmptyTarget = "empty-target";
inline constexpr std::string_view kHeaderColon = "header-colon";
inline constexpr std::string_view kLineBreak = "line-break";
inline constexpr std::string_view kInvalidPattern = "invalid-pattern";
inline constexpr std::string_view kBadComparison = "bad-comparison";
inline constexpr std::string_view kMoveTargetMissing = "move-target-missing";
inline constexpr std::string_view kMoveTargetDenied = "move-target-denied";
inline constexpr std::string_view kTargetTooLong = "target-too-long";
inline constexpr std::string_view kForwardNoAddress = "forward-no-address";
// Warnings.
inline constexpr std::string_view kShadowed = "shadowed";
inline constexpr std::string_view kDuplicate = "duplicate";
inline constexpr std::string_view kSclNever = "scl-never";
inline constexpr std::string_view kComparisonAndWildcard = "comparison-and-wildcard";
inline constexpr std::string_view kIgnoredBound = "ignored-bound";
inline constexpr std::string_view kActionWord = "action-word";
inline constexpr std::string_view kForwardToOwnFolder = "forward-to-own-folder";
inline constexpr std::string_view kNumberingGap = "numbering-gap";
}  // namespace code

enum class FolderState { kExists, kMissing, kAccessDenied };

// What a server can tell about the rules' targets. Each part is optional:
// without it, the findings that need it are not looked for.
struct ServerFacts {
  // The URL of any folder of the public tree in the form store events hand
  // the sink ("file://./backofficestorage/<domain>/Public Folders/<path>"):
  // move targets are mapped onto that tree as the sink maps them.
  std::string folderUrl;
  // The state of the folder a move goes into, by the URL the sink's
  // destination mapping gives.
  std::function<FolderState(const std::string& destinationUrl)> moveDestination;
  // The folder whose e-mail address `address` is (letter case ignored), named
  // as in `sinkFolders`; nullopt when it is no folder's address.
  std::function<std::optional<std::string>(const std::string& address)> folderWithAddress;
  // The folders the sink is registered for; nullopt when it is registered
  // store-wide, or when that is not known.
  std::optional<std::vector<std::string>> sinkFolders;
};

// The findings for a rule list as the sink loads it (rule 1 first), ordered
// by rule number.
[[nodiscard]] std::vector<Finding> LintRules(std::span<const Rule> rules,
                                             const ServerFacts* server = nullptr);

// LintRules for a loaded rule file, and rules the sink never reads because
// the numbering has a gap before them.
[[nodiscard]] std::vector<Finding> LintRuleFile(const RuleFileReader& file,
                                                const ServerFacts* server = nullptr);

// Why the sink's pattern matcher refuses a condition value (the same text
// `quarvel-explain match` shows), or nullopt when it accepts it.
[[nodiscard]] std::optional<std::string> PatternProblem(std::string_view value);

[[nodiscard]] std::string_view SeverityName(Severity severity);  // "error", "warning"
// One finding as a line for a person, without a line break:
//   rule 4: error: the comparison group "{=5}" ... [bad-comparison]
[[nodiscard]] std::string FindingLine(const Finding& finding);
[[nodiscard]] bool HasErrors(std::span<const Finding> findings);

}  // namespace quarvel::lint
