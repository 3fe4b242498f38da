#include "common/RuleLint.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <locale>
#include <map>
#include <set>
#include <sstream>
#include <tuple>
#include <unordered_map>

#include "common/HeaderMatching.h"
#include "common/MoveDestination.h"
#include "common/PatternCheck.h"
#include "common/SinkMarks.h"
#include "common/Text.h"
#include "common/basParser.h"
#include "platform/smtp/PickupFileFormat.h"

namespace quarvel::lint {

namespace {

constexpr auto npos = std::string::npos;

constexpr std::string_view kMoveAction = "move to";
constexpr std::string_view kDeleteAction = "delete";

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Numbers as a person writes them: "5", "-4.9", "0".
std::string NumberText(double number) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << number;
  return out.str();
}

// How the sink tests a rule's condition.
enum class Test {
  kSubject,     // the item's subject, by the condition test
  kScl,         // the spam confidence level as decimal text, by the condition test
  kHeaderLine,  // the first line of a transport header, by the condition test
  kHeaderText,  // the whole header text: the value uses the line-break or tab words
};

Test TestOf(const Rule& rule) {
  if (text::EqualsIgnoreCase(rule.header, "subject")) return Test::kSubject;
  if (text::EqualsIgnoreCase(rule.header, "IMFSCL")) return Test::kScl;
  return matching::UsesWholeHeaderText(rule.value) ? Test::kHeaderText : Test::kHeaderLine;
}

// What the sink does when the rule matches: only "<NULL>" deletes, and every
// action word but "Forward to" moves.
enum class Effect { kDelete, kMove, kForward };

Effect EffectOf(const Rule& rule) {
  if (rule.target == kDeleteTarget) return Effect::kDelete;
  return text::EqualsIgnoreCase(rule.action, kForwardAction) ? Effect::kForward : Effect::kMove;
}

// What the pattern matcher makes of a condition value: a wildcard pattern,
// and the comparison group it finds (after "{*}" and "{?}" became "*" and
// "?"). A value with neither is plain text, which only ever matches a value
// that begins with it.
struct Shape {
  bool wildcard = false;
  std::optional<std::string> group;  // the text between its braces
};

Shape ShapeOf(std::string_view value) {
  Shape shape;
  std::string pattern(text::TrimView(value));
  if (pattern.find("{*}") != npos) {
    shape.wildcard = true;
    pattern = text::ReplaceAll(text::ReplaceAll(pattern, "{*}", "*"), "{?}", "?");
  } else if (pattern.find("{?}") != npos) {
    shape.wildcard = true;
    pattern = text::ReplaceAll(pattern, "{?}", "?");
  }
  const auto open = pattern.find('{');
  if (open == npos) return shape;
  const auto close = pattern.find('}', open);
  if (close == npos) return shape;
  shape.group = pattern.substr(open + 1, close - open - 1);
  return shape;
}

bool IsPlain(const Shape& shape) { return !shape.wildcard && !shape.group; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether the number reader takes all of `bound` (blanks already gone) as a
// number: a sign, digits with at most one ".", then an exponent with digits.
bool IsWholeNumber(std::string_view bound) {
  std::size_t i = 0;
  const auto at = [&](std::string_view chars) {
    return i < bound.size() && chars.find(bound[i]) != std::string_view::npos;
  };
  const auto digits = [&] {
    const auto begin = i;
    while (i < bound.size() && IsDigit(bound[i])) ++i;
    return i - begin;
  };
  if (at("+-")) ++i;
  auto mantissa = digits();
  if (at(".")) {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (at("eEdD")) {
    ++i;
    if (at("+-")) ++i;
    if (digits() == 0) return false;
  }
  return i == bound.size();
}

// The spam confidence levels (-1 to 9) whose decimal text satisfies the
// condition value, one bit each from -1 up.
constexpr int kLowestScl = -1;
constexpr int kHighestScl = 9;
using SclSet = std::uint16_t;

SclSet AcceptedScls(std::string_view value) {
  SclSet accepted = 0;
  for (int scl = kLowestScl; scl <= kHighestScl; ++scl) {
    bool holds = false;
    try {
      holds = matching::ConditionHolds(std::to_string(scl), value);
    } catch (const std::exception&) {
      // The sink takes a failing test as "not met".
    }
    if (holds) accepted |= static_cast<SclSet>(1u << (scl - kLowestScl));
  }
  return accepted;
}

// Why the SMTP service would find no address in an x-receiver line holding
// the target, as the sink writes it; nullopt when it finds one or more.
std::optional<std::string> ForwardAddressProblem(const std::string& target) {
  static constexpr std::string_view kWhere = "line 1 (x-receiver): ";
  const auto parse = platform::smtp::ParsePickupFile("x-receiver: " + target +
                                                     "\r\nx-sender: sender@example.com\r\n\r\n");
  if (parse.file) return std::nullopt;
  auto why = parse.whyMalformed;
  if (why.starts_with(kWhere)) why.erase(0, kWhere.size());
  return why;
}

// Collects one rule's findings.
class RuleReport {
 public:
  RuleReport(int number, std::vector<Finding>& findings) : number_(number), findings_(findings) {}

  void Error(std::string_view code, std::string message) {
    findings_.push_back({number_, Severity::kError, code, std::move(message)});
    conditionError_ =
        conditionError_ || code == code::kInvalidPattern || code == code::kBadComparison;
  }
  void Warning(std::string_view code, std::string message) {
    findings_.push_back({number_, Severity::kWarning, code, std::move(message)});
  }
  [[nodiscard]] bool ConditionError() const { return conditionError_; }

 private:
  int number_;
  std::vector<Finding>& findings_;
  bool conditionError_ = false;
};

void CheckBound(std::string_view shown, char op, std::string_view bound, RuleReport& report) {
  if (IsWholeNumber(bound)) return;
  const std::string after = "after \"" + std::string(1, op) + "\"";
  if (bound.empty()) {
    report.Error(code::kBadComparison, "the comparison group " + std::string(shown) +
                                           " has no number " + after +
                                           "; the sink compares with 0");
  } else {
    report.Error(code::kBadComparison, "in the comparison group " + std::string(shown) + ", " +
                                           Quoted(bound) + " " + after +
                                           " is no number; the sink reads it as " +
                                           NumberText(matching::Val(bound)));
  }
}

// The comparison group as the matcher reads it: blanks removed, "," read as
// ".", a first operator "<" or ">", a bound, and maybe a second operator and
// bound.
void CheckGroup(const std::string& written, RuleReport& report) {
  const auto shown = Quoted("{" + written + "}");
  std::string group;
  for (const char c : written) {
    if (c != ' ') group += c == ',' ? '.' : c;
  }
  if (group.empty() || (group.front() != '<' && group.front() != '>')) {
    report.Error(
        code::kBadComparison,
        "the comparison group " + shown + " does not begin with \"<\" or \">\", so it never holds");
    return;
  }
  const char first = group.front();
  const std::string_view rest = std::string_view(group).substr(1);
  const auto split = rest.find_first_of("<>");
  const auto bound1 = rest.substr(0, split);
  CheckBound(shown, first, bound1, report);
  if (split == std::string_view::npos) return;

  const char second = rest[split];
  const auto bound2 = rest.substr(split + 1);
  if (second == first) {
    report.Warning(code::kIgnoredBound, "the comparison group " + shown + " repeats \"" +
                                            std::string(1, first) + "\"; the sink ignores " +
                                            Quoted(rest.substr(split)));
    return;
  }
  CheckBound(shown, second, bound2, report);
  if (!IsWholeNumber(bound1) || !IsWholeNumber(bound2)) return;
  const double b1 = matching::Val(bound1);
  const double b2 = matching::Val(bound2);
  // "<" first: below b1 and above b2; ">" first: above b1 and below b2. All strict.
  const bool empty = first == '<' ? b2 >= b1 : b2 <= b1;
  if (empty) {
    const auto low = NumberText(first == '<' ? b2 : b1);
    const auto high = NumberText(first == '<' ? b1 : b2);
    report.Error(code::kBadComparison, "no number is greater than " + low + " and less than " +
                                           high + ", so the comparison group " + shown +
                                           " never holds");
  }
}

void CheckLineBreaks(const Rule& rule, RuleReport& report) {
  const std::pair<const std::string*, const char*> fields[] = {{&rule.header, "condition header"},
                                                               {&rule.value, "condition value"},
                                                               {&rule.action, "action"},
                                                               {&rule.target, "target"}};
  for (const auto& [field, name] : fields) {
    if (field->find_first_of("\r\n") != npos) {
      report.Error(code::kLineBreak,
                   std::string("the ") + name +
                       " holds a line break, which a rule file cannot hold: the sink "
                       "would read it only up to the break");
    }
  }
}

// The condition's own faults, for the tests that use the pattern language.
void CheckCondition(const Rule& rule, Test test, RuleReport& report) {
  if (test == Test::kHeaderText) return;  // words, braces and wildcards are plain text there
  if (const auto problem = PatternProblem(rule.value)) {
    report.Error(code::kInvalidPattern,
                 *problem +
                     "; the sink takes the condition as not met (unless the value begins "
                     "with the pattern's own text)");
  }
  const auto shape = ShapeOf(rule.value);
  if (shape.group) {
    CheckGroup(*shape.group, report);
    if (shape.wildcard) {
      report.Warning(code::kComparisonAndWildcard,
                     "the value has both a wildcard and the comparison group " +
                         Quoted("{" + *shape.group + "}") +
                         ": the wildcard test takes the group's braces as plain characters, so "
                         "the rule can only match a value that holds them literally");
    }
  }
}

void CheckActionWord(const Rule& rule, Effect effect, RuleReport& report) {
  const bool saysDelete = text::EqualsIgnoreCase(rule.action, kDeleteAction);
  if (effect == Effect::kDelete) {
    if (rule.action.empty()) {
      report.Warning(code::kActionWord,
                     "the target \"<NULL>\" deletes the message; the rule has no "
                     "action word");
    } else if (!saysDelete) {
      report.Warning(code::kActionWord,
                     "the target \"<NULL>\" deletes the message, whatever the "
                     "action word " +
                         Quoted(rule.action) + " says");
    }
    return;
  }
  if (effect != Effect::kMove || text::EqualsIgnoreCase(rule.action, kMoveAction)) return;
  const auto moves = "the sink moves the message to " + Quoted(rule.target);
  if (saysDelete && text::EqualsIgnoreCase(rule.target, kDeleteTarget)) {
    report.Warning(code::kActionWord, "only the target \"<NULL>\" in capitals deletes: " + moves);
  } else if (saysDelete) {
    report.Warning(code::kActionWord,
                   "the action word says delete, but only the target \"<NULL>\" "
                   "deletes: " +
                       moves);
  } else if (rule.action.empty()) {
    report.Warning(code::kActionWord, "the rule has no action word: " + moves);
  } else {
    report.Warning(code::kActionWord, "every action word but \"forward to\" moves, so for " +
                                          Quoted(rule.action) + " " + moves);
  }
}

void CheckTarget(const Rule& rule, Effect effect, const ServerFacts* server, RuleReport& report) {
  if (effect == Effect::kDelete) return;
  const std::string_view mark =
      effect == Effect::kMove ? sinkmarks::kMoveTo : sinkmarks::kForwardTo;
  if (!sinkmarks::FitsCustomProperty(rule.target)) {
    report.Error(code::kTargetTooLong,
                 "the target has " + std::to_string(text::CharCount(rule.target)) +
                     " characters, more than the " +
                     std::to_string(sinkmarks::kCustomPropertySize) + " the store keeps in the \"" +
                     std::string(mark) + "\" mark: the store refuses it and the message stays");
    return;
  }
  if (rule.target.find_first_of("\r\n") != npos) return;  // said already

  if (effect == Effect::kForward) {
    if (const auto problem = ForwardAddressProblem(rule.target)) {
      report.Error(code::kForwardNoAddress,
                   "the forward target " + Quoted(rule.target) +
                       " gives the SMTP service no address (" + *problem +
                       "): the message leaves the folder and its copy ends in Badmail");
      return;
    }
    if (server == nullptr || !server->folderWithAddress || !server->sinkFolders) return;
    // The sink compares the folder's address with the target's, as it is.
    const auto folder = server->folderWithAddress(matching::ExtractAddress(rule.target));
    const auto& registered = *server->sinkFolders;
    if (folder && !registered.empty() &&
        std::all_of(registered.begin(), registered.end(),
                    [&](const std::string& name) { return name == *folder; })) {
      report.Warning(code::kForwardToOwnFolder,
                     "forwards to the address of folder " + Quoted(*folder) +
                         ", the only folder the sink is registered for: there the rule never "
                         "forwards, it only records where a returning message was first "
                         "delivered, and the message stays");
    }
    return;
  }

  if (server == nullptr || !server->moveDestination) return;
  // The commit phase's own mapping, from a folder of the server's tree.
  // The sink reads the mark trimmed, and a blank one is no mark.
  const std::string moveTo = text::Trim(rule.target);
  const auto found = sinkmarks::MoveDestinationFolder(moveTo, server->folderUrl);
  if (moveTo.empty() || !found) return;
  const std::string& destination = *found;
  switch (server->moveDestination(destination)) {
    case FolderState::kExists:
      break;
    case FolderState::kMissing:
      report.Error(code::kMoveTargetMissing, "the move target " + Quoted(rule.target) +
                                                 " is no folder of the server: the sink would move "
                                                 "the message into " +
                                                 Quoted(destination) + ", so it stays");
      break;
    case FolderState::kAccessDenied:
      report.Error(code::kMoveTargetDenied, "the store refuses access to the move target " +
                                                Quoted(rule.target) + ", so the message stays");
      break;
  }
}

// Earlier rules that match everything a later rule matches. Only certain
// cases count: the same header (letter case ignored) and an earlier value
// that is empty, the same, or plain text that the later plain value begins
// with; for the spam confidence level, every level the later rule accepts.
class Coverage {
 public:
  struct Cover {
    std::size_t rule;  // index of the earlier rule
    std::string why;
  };
  struct Earlier {
    std::optional<std::size_t> identical;  // the same condition, effect and target
    std::optional<Cover> cover;            // the first that matches all the rule matches
  };

  [[nodiscard]] Earlier Find(std::size_t index, const Rule& rule, Test test, SclSet scls) const {
    Earlier result;
    const auto found = byHeader_.find(text::DecodeCaseKeys(rule.header));
    if (found == byHeader_.end()) return result;
    const auto& earlier = found->second;
    if (const auto same = earlier.identical.find({rule.value, EffectOf(rule), rule.target});
        same != earlier.identical.end()) {
      result.identical = same->second;
    }
    result.cover = FirstCover(index, rule, test, scls, earlier);
    return result;
  }

  void Add(std::size_t index, const Rule& rule, Test test, SclSet scls) {
    if (rules_.size() <= index) rules_.resize(index + 1);
    rules_[index] = &rule;
    auto& earlier = byHeader_[text::DecodeCaseKeys(rule.header)];
    earlier.identical.try_emplace({rule.value, EffectOf(rule), rule.target}, index);
    if (test == Test::kScl) {
      earlier.scls.emplace_back(scls, index);
      return;
    }
    earlier.byValue.try_emplace(rule.value, index);
    if (test == Test::kHeaderText) return;
    if (rule.value.empty()) {
      if (!earlier.firstEmpty) earlier.firstEmpty = index;
    } else if (IsPlain(ShapeOf(rule.value))) {
      earlier.plain.emplace_back(text::DecodeCaseKeys(rule.value), index);
    }
  }

 private:
  struct Header {
    std::map<std::tuple<std::string, Effect, std::string>, std::size_t> identical;
    std::unordered_map<std::string, std::size_t> byValue;
    std::optional<std::size_t> firstEmpty;
    std::vector<std::pair<std::u32string, std::size_t>> plain;  // case keys, in rule order
    std::vector<std::pair<SclSet, std::size_t>> scls;           // in rule order
  };

  std::optional<Cover> FirstCover(std::size_t index, const Rule& rule, Test test, SclSet scls,
                                  const Header& earlier) const {
    std::optional<Cover> best;
    const auto consider = [&](std::size_t candidate, std::string why) {
      if (candidate < index && (!best || candidate < best->rule)) best = Cover{candidate, why};
    };
    if (test == Test::kScl) {
      for (const auto& [set, candidate] : earlier.scls) {
        if ((scls & ~set) == 0) {
          consider(candidate, "every spam confidence level this rule accepts, it accepts too");
          break;
        }
      }
      return best;
    }
    if (const auto same = earlier.byValue.find(rule.value); same != earlier.byValue.end()) {
      consider(same->second, "the same header and value");
    }
    if (test == Test::kHeaderText) return best;
    if (earlier.firstEmpty) consider(*earlier.firstEmpty, "the same header with an empty value");
    if (IsPlain(ShapeOf(rule.value))) {
      const auto key = text::DecodeCaseKeys(rule.value);
      for (const auto& [prefix, candidate] : earlier.plain) {
        if (key.starts_with(prefix)) {
          consider(candidate, "the same header, and this rule's value begins with its value " +
                                  Quoted(rules_[candidate]->value));
          break;
        }
      }
    }
    return best;
  }

  std::map<std::u32string, Header> byHeader_;
  std::vector<const Rule*> rules_;
};

// "4", "4 and 6", "4 to 9 and 12": the rule numbers, runs joined.
std::string NumberList(const std::vector<int>& numbers) {
  std::vector<std::string> runs;
  for (std::size_t i = 0; i < numbers.size();) {
    std::size_t j = i;
    while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
    runs.push_back(j == i       ? std::to_string(numbers[i])
                   : j == i + 1 ? std::to_string(numbers[i]) + ", " + std::to_string(numbers[j])
                                : std::to_string(numbers[i]) + " to " + std::to_string(numbers[j]));
    i = j + 1;
  }
  std::string list;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (i > 0) list += i + 1 == runs.size() ? " and " : ", ";
    list += runs[i];
  }
  return list;
}

// A rule key such as "Target12" with one of the four words the sink reads,
// written as its reader wants it (no leading zeros, at most kMaxRuleNumber).
struct ParsedKey {
  int number;
  std::size_t word;
};

std::optional<ParsedKey> ParseRuleKey(std::string_view key) {
  static constexpr std::string_view kWords[] = {kConditionHeaderKey, kConditionValueKey, kActionKey,
                                                kTargetKey};
  for (std::size_t word = 0; word < std::size(kWords); ++word) {
    const auto name = kWords[word];
    if (key.size() <= name.size() || !text::EqualsIgnoreCase(key.substr(0, name.size()), name)) {
      continue;
    }
    const auto digits = key.substr(name.size());
    if (digits.size() > 5 || digits.front() == '0' ||
        !std::all_of(digits.begin(), digits.end(), IsDigit)) {
      return std::nullopt;
    }
    const int number = std::stoi(std::string(digits));
    if (number > kMaxRuleNumber) return std::nullopt;
    return ParsedKey{number, word};
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> PatternProblem(std::string_view value) {
  return pattern::ConditionPatternProblem(value);
}

std::vector<Finding> LintRules(std::span<const Rule> rules, const ServerFacts* server) {
  std::vector<Finding> findings;
  Coverage coverage;
  for (std::size_t i = 0; i < rules.size(); ++i) {
    const auto& rule = rules[i];
    RuleReport report(static_cast<int>(i + 1), findings);
    CheckLineBreaks(rule, report);
    if (rule.header.empty() || rule.target.empty()) {
      if (rule.header.empty()) {
        report.Error(code::kEmptyHeader, "the rule has no header, so it never matches");
      }
      if (rule.target.empty()) {
        report.Error(code::kEmptyTarget, "the rule has no target, so it never matches");
      }
      continue;
    }
    const auto test = TestOf(rule);
    const auto effect = EffectOf(rule);
    CheckCondition(rule, test, report);
    // A header line's name ends at its first colon, so no line has this name.
    const bool colon = test == Test::kHeaderLine && rule.header.find(':') != npos;
    if (colon) {
      report.Error(code::kHeaderColon,
                   "the header " + Quoted(rule.header) +
                       " holds a colon, which no header line's name does, so the rule never "
                       "matches (the rule file names a header without its colon)");
    }
    const SclSet scls = test == Test::kScl ? AcceptedScls(rule.value) : 0;
    const bool dead = colon || (test == Test::kScl && scls == 0);
    if (test == Test::kScl && dead && !report.ConditionError()) {
      report.Warning(code::kSclNever, "no spam confidence level (-1 to 9) satisfies " +
                                          Quoted(rule.value) + ", so the rule never matches");
    }
    CheckActionWord(rule, effect, report);
    CheckTarget(rule, effect, server, report);
    if (dead) continue;

    const auto earlier = coverage.Find(i, rule, test, scls);
    if (earlier.identical) {
      report.Warning(code::kDuplicate, "repeats rule " + std::to_string(*earlier.identical + 1) +
                                           " (the same condition, action and target)");
    } else if (const auto& cover = earlier.cover) {
      report.Warning(code::kShadowed,
                     "rule " + std::to_string(cover->rule + 1) +
                         " matches everything this rule matches and comes first (" + cover->why +
                         "), so this rule never decides");
    }
    coverage.Add(i, rule, test, scls);
  }
  // A rule's errors before its warnings.
  std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    return std::tie(a.rule, a.severity) < std::tie(b.rule, b.severity);
  });
  return findings;
}

std::vector<Finding> LintRuleFile(const RuleFileReader& file, const ServerFacts* server) {
  std::vector<Rule> rules;
  for (const auto& view : file.Rules()) {
    rules.push_back({std::string(view.header), std::string(view.value), std::string(view.action),
                     std::string(view.target)});
  }
  auto findings = LintRules(rules, server);

  // The sink reads up to the first number without any of its four values.
  const int end = static_cast<int>(rules.size()) + 1;
  const auto* entries = file.Ini().Entries(kRuleSection);
  if (entries == nullptr || end > kMaxRuleNumber) return findings;
  // Of keys written twice, the reader takes the first.
  std::set<std::pair<int, std::size_t>> seen;
  std::vector<int> hidden;
  for (const auto& [key, value] : *entries) {
    const auto parsed = ParseRuleKey(key);
    if (!parsed || !seen.emplace(parsed->number, parsed->word).second) continue;
    if (parsed->number > end && !value.empty()) hidden.push_back(parsed->number);
  }
  std::sort(hidden.begin(), hidden.end());
  hidden.erase(std::unique(hidden.begin(), hidden.end()), hidden.end());
  if (!hidden.empty()) {
    const auto n = std::to_string(end);
    findings.push_back(
        {end, Severity::kWarning, code::kNumberingGap,
         "there is no rule " + n + " (" + std::string(kConditionHeaderKey) + n + ", " +
             std::string(kConditionValueKey) + n + ", " + std::string(kActionKey) + n + " and " +
             std::string(kTargetKey) + n +
             " are missing or empty): the sink stops reading there and never reads " +
             (hidden.size() == 1 ? "rule " : "rules ") + NumberList(hidden)});
  }
  return findings;
}

std::string_view SeverityName(Severity severity) {
  return severity == Severity::kError ? "error" : "warning";
}

std::string FindingLine(const Finding& finding) {
  return "rule " + std::to_string(finding.rule) + ": " +
         std::string(SeverityName(finding.severity)) + ": " + finding.message + " [" +
         std::string(finding.code) + "]";
}

bool HasErrors(std::span<const Finding> findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const Finding& finding) { return finding.severity == Severity::kError; });
}

}  // namespace quarvel::lint
