// The rule checks: each finding on a small rule list that has it, and none
// on rules that are sound. A claim that a rule never matches or never decides
// is also checked against the sink's own condition test.
#include "common/RuleLint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/HeaderMatching.h"
#include "common/Text.h"
#include "common/basParser.h"

namespace quarvel::lint {
namespace {

using Code = std::string_view;

// What a rule list must give: (rule number, code) pairs, and nothing else.
using Expected = std::vector<std::pair<int, Code>>;

Expected Codes(const std::vector<Finding>& findings) {
  Expected codes;
  for (const auto& finding : findings) codes.emplace_back(finding.rule, finding.code);
  return codes;
}

Rule Move(std::string header, std::string value, std::string target = "/Public/Junk Mail") {
  return {std::move(header), std::move(value), "move to", std::move(target)};
}
Rule Delete(std::string header, std::string value) {
  return {std::move(header), std::move(value), "delete", "<NULL>"};
}
Rule Forward(std::string header, std::string value, std::string target = "abuse@example.org") {
  return {std::move(header), std::move(value), "forward to", std::move(target)};
}

// A server with the folders Junk Mail, Support Requests (support@example.com)
// and Board Room, which refuses access; the sink registered as `sinkFolders`.
ServerFacts Server(std::optional<std::vector<std::string>> sinkFolders = std::nullopt,
                   std::vector<std::string>* asked = nullptr) {
  static const std::string kRoot = "file://./backofficestorage/example.com/Public Folders/";
  ServerFacts facts;
  facts.folderUrl = kRoot;
  facts.moveDestination = [asked](const std::string& url) {
    if (asked != nullptr) asked->push_back(url);
    if (url == kRoot + "Junk Mail" || url == kRoot + "Support Requests") {
      return FolderState::kExists;
    }
    return url == kRoot + "Board Room" ? FolderState::kAccessDenied : FolderState::kMissing;
  };
  facts.folderWithAddress = [](const std::string& address) -> std::optional<std::string> {
    if (text::EqualsIgnoreCase(address, "support@example.com")) return "Support Requests";
    return std::nullopt;
  };
  facts.sinkFolders = std::move(sinkFolders);
  return facts;
}

struct LintCase {
  const char* name;
  std::vector<Rule> rules;
  Expected expected;
  std::optional<ServerFacts> server = std::nullopt;
};

void PrintTo(const LintCase& c, std::ostream* out) { *out << c.name; }

class LintRulesTest : public ::testing::TestWithParam<LintCase> {};

TEST_P(LintRulesTest, FindsExactlyWhatIsWrong) {
  const auto& param = GetParam();
  const auto findings = LintRules(param.rules, param.server ? &*param.server : nullptr);
  EXPECT_EQ(Codes(findings), param.expected);
  for (const auto& finding : findings) {
    EXPECT_FALSE(finding.message.empty());
    const bool error = finding.severity == Severity::kError;
    EXPECT_EQ(error, std::set<Code>({code::kEmptyHeader, code::kEmptyTarget, code::kHeaderColon,
                                     code::kLineBreak, code::kInvalidPattern, code::kBadComparison,
                                     code::kMoveTargetMissing, code::kMoveTargetDenied,
                                     code::kTargetTooLong, code::kForwardNoAddress})
                         .contains(finding.code))
        << finding.code;
  }
}

const std::string kLongTarget = "/Public/" + std::string(249, 'x');  // 257 characters

INSTANTIATE_TEST_SUITE_P(
    Errors, LintRulesTest,
    ::testing::Values(
        LintCase{"EmptyHeader", {Move("", "x")}, {{1, code::kEmptyHeader}}},
        LintCase{"EmptyTarget", {Move("Subject", "x", "")}, {{1, code::kEmptyTarget}}},
        LintCase{"EmptyHeaderAndTarget",
                 {{"", "x", "delete", ""}},
                 {{1, code::kEmptyHeader}, {1, code::kEmptyTarget}}},
        // A dead rule shadows nothing, so rule 2 stands.
        LintCase{"EmptyTargetShadowsNothing",
                 {Move("Subject", "", ""), Move("Subject", "x")},
                 {{1, code::kEmptyTarget}}},
        LintCase{"HeaderWithColon",
                 {Move("X-Spam-Flag:", "YES"), Delete("Subject:", ""),
                  // Dead, it covers nothing.
                  Move("Subject:", "x")},
                 {{1, code::kHeaderColon}, {2, code::kHeaderColon}, {3, code::kHeaderColon}}},
        // The whole-header test looks for the name, ": " and the value anywhere.
        LintCase{"ColonInWholeHeaderTest", {Move("X-A:", "vbTabx")}, {}},
        LintCase{"LineBreakInValue", {Move("Subject", "a\r\nb")}, {{1, code::kLineBreak}}},
        LintCase{"LineBreakInHeader", {Move("X-A\nX-B", "x")}, {{1, code::kLineBreak}}},
        LintCase{"LineBreakInForwardTarget",
                 {Forward("Subject", "x", "a@example.org\r\nx-receiver: b@example.org")},
                 {{1, code::kLineBreak}}},
        // The words stand for line breaks in a header test: sound.
        LintCase{"LineBreakWords", {Move("X-Spam-Report", "YESvbCRLFvbTABscore")}, {}},
        LintCase{"UnclosedList", {Move("Subject", "[abc{*}")}, {{1, code::kInvalidPattern}}},
        LintCase{"DescendingRange", {Move("From", "[z-a]{?}")}, {{1, code::kInvalidPattern}}},
        LintCase{"InvalidPatternInScl", {Delete("IMFSCL", "[9{*}")}, {{1, code::kInvalidPattern}}},
        // The whole-header test takes braces and brackets as they stand.
        LintCase{"NoPatternLanguageInWholeHeaderTest", {Move("X-A", "[abc{*} {=5}vbCRLF")}, {}},
        // Lists and ranges that the matcher accepts.
        LintCase{"ValidLists", {Move("Subject", "[SPAM]{*}"), Move("From", "[!a-z]{?}[]#")}, {}},
        LintCase{"OperatorMissing", {Move("X-Score", "{=5}")}, {{1, code::kBadComparison}}},
        LintCase{"StarGroup", {Move("X-Score", "{ * }")}, {{1, code::kBadComparison}}},
        LintCase{"EmptyGroup", {Move("X-Score", "score={}")}, {{1, code::kBadComparison}}},
        LintCase{"EmptyBound", {Move("X-Score", "{>}")}, {{1, code::kBadComparison}}},
        LintCase{"BoundNoNumber", {Move("X-Score", "{>high}")}, {{1, code::kBadComparison}}},
        LintCase{"BoundWithText", {Move("X-Score", "{>5x}")}, {{1, code::kBadComparison}}},
        LintCase{"SecondBoundEmpty", {Move("X-Score", "{>1 <}")}, {{1, code::kBadComparison}}},
        // The second bound runs to the end: "5>7" reads as 5.
        LintCase{"ThirdOperator", {Move("X-Score", "{>1<5>7}")}, {{1, code::kBadComparison}}},
        LintCase{
            "NothingBetweenBounds",
            {Move("X-Score", "{>5 <3}"), Move("X-Score", "{<3 >5}"), Move("X-Score", "{>5<5}")},
            {{1, code::kBadComparison}, {2, code::kBadComparison}, {3, code::kBadComparison}}},
        LintCase{"SoundComparisons",
                 {Move("X-Score", "{>3.9 <11.1}"), Move("X-Score", "{<11.1 >3.9}"),
                  Move("X-Score", "{> 3,9 }"), Move("X-Spam-Status", "No, hits={>-4.9}"),
                  Move("X-Score", "{>1e2}"), Move("X-Score", "{<.5}"), Move("X-Score", "{<5.}"),
                  // No "}": no group at all, only the begins-with test.
                  Move("X-Score", "{>5")},
                 {}},
        LintCase{"TargetTooLong", {Move("Subject", "x", kLongTarget)}, {{1, code::kTargetTooLong}}},
        LintCase{"ForwardTargetTooLong",
                 {Forward("Subject", "x", std::string(250, 'a') + "@example.org")},
                 {{1, code::kTargetTooLong}}},
        LintCase{"TargetAtTheLimit", {Move("Subject", "x", kLongTarget.substr(1))}, {}},
        LintCase{"ForwardWithoutAddress",
                 {Forward("Subject", "a", "Support Requests"), Forward("Subject", "b", "abuse@"),
                  Forward("Subject", "c", "Desk <abuse@example.org"),
                  Forward("Subject", "d", "a@example.org; b@example.org"),
                  Forward("Subject", "e", "a@example.org, Desk")},
                 {{1, code::kForwardNoAddress},
                  {2, code::kForwardNoAddress},
                  {3, code::kForwardNoAddress},
                  {4, code::kForwardNoAddress},
                  {5, code::kForwardNoAddress}}},
        // The SMTP service takes a display name and a list of addresses.
        LintCase{"ForwardAddressesTheServiceTakes",
                 {Forward("Subject", "a", "Abuse Desk <abuse@example.org>"),
                  Forward("Subject", "b", "a@example.org, \"Doe, J\" <j@example.net>")},
                 {}},
        LintCase{"MoveTargets",
                 {Move("Subject", "a", "http://MAIL01/Public/Junk Mail"),
                  // One trailing "/" names the folder itself.
                  Move("Subject", "b", "http://MAIL01/Public/Junk Mail/"),
                  Move("Subject", "c", "/Public/Support Requests"),
                  // Without "/Public/" the target is the store URL itself.
                  Move("Subject", "d",
                       "file://./backofficestorage/example.com/Public Folders/Junk Mail"),
                  Move("Subject", "e", "http://MAIL01/Public/Nowhere"),
                  Move("Subject", "f", "Junk Mail"),
                  Move("Subject", "g", "http://MAIL01/Public/Board Room"),
                  // Two slashes name no folder.
                  Move("Subject", "h", "http://MAIL01/Public/Junk Mail//")},
                 {{5, code::kMoveTargetMissing},
                  {6, code::kMoveTargetMissing},
                  {7, code::kMoveTargetDenied},
                  {8, code::kMoveTargetMissing}},
                 Server()},
        // Without a server, targets are not looked up.
        LintCase{"MoveTargetsWithoutServer",
                 {Move("Subject", "e", "http://MAIL01/Public/Nowhere")},
                 {}}));

INSTANTIATE_TEST_SUITE_P(
    Warnings, LintRulesTest,
    ::testing::Values(
        LintCase{"EmptyValueShadows",
                 {Move("X-Spam-Flag", ""), Move("x-spam-flag", "YES")},
                 {{2, code::kShadowed}}},
        LintCase{"SubjectHeaderIsTheSubject",
                 {Delete("subject", ""), Move("Subject", "offer{*}")},
                 {{2, code::kShadowed}}},
        LintCase{"PlainPrefixShadows",
                 {Move("Subject", "Spam"), Delete("Subject", "spam: cheap")},
                 {{2, code::kShadowed}}},
        LintCase{"NonAsciiPrefixShadows",
                 {Move("Subject", "Über"), Delete("Subject", "über alles")},
                 {{2, code::kShadowed}}},
        LintCase{
            "LongerEarlierValueDoesNot", {Move("Subject", "Spam:"), Delete("Subject", "Spam")}, {}},
        // A full case mapping would make these equal; the sink's comparison
        // does not.
        LintCase{
            "NoFullCaseMapping", {Move("Subject", "straße"), Delete("Subject", "STRASSE")}, {}},
        LintCase{
            "PatternsOnlyWhenIdentical",
            {Move("Subject", "Spam{*}"), Delete("Subject", "Spam offer"), Move("Subject", "Spam"),
             Delete("Subject", "Spam{*}x"), Delete("Subject", "Spam{*}")},
            {{5, code::kShadowed}}},
        LintCase{"OtherHeaderDoesNot", {Move("Subject", ""), Move("From", "x")}, {}},
        // "X-Flag: " then a line break can match where the first X-Flag line
        // is empty, or inside another header's line.
        LintCase{"EmptyValueDoesNotCoverTheWholeHeaderTest",
                 {Move("X-Flag", ""), Delete("X-Flag", "vbCRLFX-Other: 1")},
                 {}},
        LintCase{"SameWholeHeaderTest",
                 {Move("X-Flag", "YESvbCRLF"), Delete("X-Flag", "YESvbCRLF")},
                 {{2, code::kShadowed}}},
        LintCase{"SclSets",
                 {Delete("IMFSCL", "{>5}"), Move("IMFSCL", "7"), Move("IMFSCL", "{>6 <9}"),
                  Move("IMFSCL", "5"), Move("IMFSCL", "{<11.1 >4}")},
                 {{2, code::kShadowed}, {3, code::kShadowed}}},
        LintCase{
            "AnySclShadows", {Delete("imfscl", ""), Move("IMFSCL", "-1")}, {{2, code::kShadowed}}},
        // "-1" does not begin with "1".
        LintCase{"SclOneIsNotMinusOne", {Delete("IMFSCL", "1"), Move("IMFSCL", "-1")}, {}},
        LintCase{"FirstCoveringRuleIsNamed",
                 {Move("Subject", ""), Move("Subject", "Spam"), Move("Subject", "Spam x")},
                 {{2, code::kShadowed}, {3, code::kShadowed}}},
        LintCase{"Duplicate",
                 {Move("Subject", "Spam"), {"Subject", "Spam", "Move To", "/Public/Junk Mail"}},
                 {{2, code::kDuplicate}}},
        // The earlier twin is named, even when a rule before it covers both.
        LintCase{"DuplicateBeforeShadow",
                 {Move("Subject", ""), Delete("Subject", "x"), Delete("SUBJECT", "x")},
                 {{2, code::kShadowed}, {3, code::kDuplicate}}},
        LintCase{"SameConditionOtherTarget",
                 {Move("Subject", "Spam"), Delete("Subject", "Spam")},
                 {{2, code::kShadowed}}},
        LintCase{"SclNever",
                 {Delete("IMFSCL", "{>9}"), Delete("IMFSCL", "10"), Delete("IMFSCL", "high"),
                  Delete("IMFSCL", "{<-1}"),
                  // A dead rule is not also called shadowed or a duplicate.
                  Delete("IMFSCL", "{>9}")},
                 {{1, code::kSclNever},
                  {2, code::kSclNever},
                  {3, code::kSclNever},
                  {4, code::kSclNever},
                  {5, code::kSclNever}}},
        LintCase{"SclValuesThatCanBe",
                 {Delete("IMFSCL", "{>8}"), Move("IMFSCL", "-1"), Move("IMFSCL", "{<2}"),
                  Move("IMFSCL", "5")},
                 {}},
        // The comparison's own error says it all.
        LintCase{"SclBadComparisonOnly", {Delete("IMFSCL", "{=5}")}, {{1, code::kBadComparison}}},
        LintCase{"ComparisonAndWildcard",
                 {Move("X-Spam-Status", "Yes, hits={>5}{*}")},
                 {{1, code::kComparisonAndWildcard}}},
        LintCase{"IgnoredBound", {Move("X-Score", "{<5 <3}")}, {{1, code::kIgnoredBound}}},
        LintCase{"ActionWords",
                 {{"Subject", "a", "move to", "<NULL>"},
                  {"Subject", "b", "delete", "/Public/Junk Mail"},
                  {"Subject", "c", "Delete", "<null>"},
                  {"Subject", "d", "", "/Public/Junk Mail"},
                  {"Subject", "e", "forward", "abuse@example.org"},
                  {"Subject", "f", "", "<NULL>"},
                  {"Subject", "g", "DELETE", "<NULL>"},
                  {"Subject", "h", "Forward To", "abuse@example.org"},
                  {"Subject", "i", "MOVE TO", "/Public/Junk Mail"}},
                 {{1, code::kActionWord},
                  {2, code::kActionWord},
                  {3, code::kActionWord},
                  {4, code::kActionWord},
                  {5, code::kActionWord},
                  {6, code::kActionWord}}},
        LintCase{"ForwardToTheOnlyRegisteredFolder",
                 {Forward("Subject", "a", "Support <SUPPORT@example.com>")},
                 {{1, code::kForwardToOwnFolder}},
                 Server(std::vector<std::string>{"Support Requests", "Support Requests"})},
        LintCase{"ForwardToAFolderFromOthers",
                 {Forward("Subject", "a", "support@example.com")},
                 {},
                 Server(std::vector<std::string>{"Support Requests", "Inbox"})},
        LintCase{"ForwardToAFolderStoreWide",
                 {Forward("Subject", "a", "support@example.com")},
                 {},
                 Server()},
        LintCase{"ForwardWhereTheSinkRunsNowhere",
                 {Forward("Subject", "a", "support@example.com")},
                 {},
                 Server(std::vector<std::string>{})}));

TEST(LintRulesTest, NamesTheRuleThatCovers) {
  const auto findings = LintRules(
      std::vector<Rule>{Move("Subject", ""), Move("Subject", "Spam"), Move("Subject", "Spam x")});
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_NE(findings[1].message.find("rule 1 "), std::string::npos) << findings[1].message;
}

TEST(LintRulesTest, AMoveIsLookedUpWhereTheSinkWouldMoveIt) {
  std::vector<std::string> asked;
  const auto server = Server(std::nullopt, &asked);
  (void)LintRules(std::vector<Rule>{Move("Subject", "a", "http://MAIL01/Public/Junk Mail/"),
                                    Move("Subject", "b", "https://other/public/x"),
                                    Forward("Subject", "c"), Delete("Subject", "d")},
                  &server);
  EXPECT_EQ(asked, (std::vector<std::string>{
                       "file://./backofficestorage/example.com/Public Folders/Junk Mail",
                       // "/Public/" is matched exactly, as the sink matches it.
                       "https://other/public/x"}));
}

TEST(LintRulesTest, ErrorsOfARuleComeBeforeItsWarnings) {
  const auto findings = LintRules(
      std::vector<Rule>{{"X-Score", "{>}{*}", "forward", "http://MAIL01/Public/Nowhere"}}, nullptr);
  ASSERT_EQ(Codes(findings), (Expected{{1, code::kBadComparison},
                                       {1, code::kComparisonAndWildcard},
                                       {1, code::kActionWord}}));
  EXPECT_TRUE(HasErrors(findings));
  EXPECT_FALSE(HasErrors(std::span(findings).subspan(1)));
}

// Values to try claims on: numbers around the bounds used above, texts with
// and without the prefixes, and the spam confidence levels.
const std::vector<std::string> kValues = {
    "-100", "-1",     "0",       "1",           "3",      "4",   "4,5",         "5",
    "5.5",  "6",      "7",       "9",           "10",     "100", "abc",         "Spam",
    "spam", "Spam x", "Spam: x", "spam: cheap", "Über x", "x",   "Spam offer x"};

bool Holds(const std::string& value, const std::string& pattern) {
  try {
    return matching::ConditionHolds(value, pattern);
  } catch (const matching::PatternError&) {
    return false;
  }
}

TEST(LintClaimsTest, AGroupThatNeverHoldsMatchesNothing) {
  for (const std::string pattern : {"{=5}", "{ * }", "{}", "{>5 <3}", "{<3 >5}", "{>5<5}"}) {
    ASSERT_EQ(Codes(LintRules(std::vector<Rule>{Move("X-Score", pattern)})),
              (Expected{{1, code::kBadComparison}}))
        << pattern;
    for (const auto& value : kValues)
      EXPECT_FALSE(Holds(value, pattern)) << pattern << " " << value;
  }
}

TEST(LintClaimsTest, AShadowedRuleMatchesNothingTheEarlierOneDoesNot) {
  struct Pair {
    std::string header, earlier, later;
  };
  for (const auto& [header, earlier, later] :
       {Pair{"X-A", "", "YES"}, Pair{"X-A", "Spam", "spam: cheap"},
        Pair{"X-A", "Über", "über alles"}, Pair{"X-A", "Spam{*}", "Spam{*}"},
        Pair{"IMFSCL", "{>5}", "7"}, Pair{"IMFSCL", "{>5}", "{>6 <9}"},
        Pair{"IMFSCL", "-1", "{<0}"}}) {
    ASSERT_EQ(Codes(LintRules(std::vector<Rule>{Move(header, earlier), Delete(header, later)})),
              (Expected{{2, code::kShadowed}}))
        << earlier << " / " << later;
    for (const auto& value : kValues) {
      if (Holds(value, later)) {
        EXPECT_TRUE(Holds(value, earlier)) << earlier << " / " << later << ": " << value;
      }
    }
  }
}

TEST(LintClaimsTest, AHeaderWithAColonMatchesNoLine) {
  for (const auto* headers : {"Subject: x\r\n", "Subject:: x\r\n", "Subject:x: y\r\n"}) {
    EXPECT_FALSE(matching::MatchHeaderLine(headers, "Subject:", "")) << headers;
  }
}

TEST(LintClaimsTest, PatternProblemIsTheMatchersOwnError) {
  EXPECT_EQ(PatternProblem("[SPAM]{*}"), std::nullopt);
  EXPECT_EQ(PatternProblem("[abc"), std::nullopt);  // plain text: no wildcard test
  try {
    (void)matching::MatchPattern("x", "[abc{*}");
    FAIL() << "the pattern is invalid";
  } catch (const matching::PatternError& error) {
    EXPECT_EQ(PatternProblem("[abc{*}"), std::string(error.what()));
  }
}

RuleFileReader Parsed(const std::string& section) {
  RuleFileReader reader;
  reader.Parse("[Quarvel RuleSet1]\n" + section + "[Quarvel PickupDir]\nPath=/srv/pickup\n");
  return reader;
}

std::string RuleText(int number, const std::string& value) {
  const auto n = std::to_string(number);
  return "ConditionHeader" + n + "=Subject\nConditionValue" + n + "=" + value + "\nAction" + n +
         "=delete\nTarget" + n + "=<NULL>\n";
}

struct GapCase {
  const char* name;
  std::string section;
  Expected expected;
  const char* hidden;  // what the message says is never read
};

void PrintTo(const GapCase& c, std::ostream* out) { *out << c.name; }

class LintGapTest : public ::testing::TestWithParam<GapCase> {};

TEST_P(LintGapTest, NamesTheRulesTheSinkNeverReads) {
  const auto findings = LintRuleFile(Parsed(GetParam().section));
  EXPECT_EQ(Codes(findings), GetParam().expected);
  if (!findings.empty()) {
    EXPECT_TRUE(findings.back().message.ends_with(GetParam().hidden)) << findings.back().message;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Numbering, LintGapTest,
    ::testing::Values(
        GapCase{"Missing",
                RuleText(1, "a") + RuleText(2, "b") + RuleText(4, "c"),
                {{3, code::kNumberingGap}},
                "never reads rule 4"},
        GapCase{"EmptyAndSeveral",
                RuleText(1, "a") +
                    "ConditionHeader2=\nConditionValue2=\nAction2=\nTarget2=\n"
                    "TargetDisplayName2=Junk\n" +
                    RuleText(3, "b") + RuleText(4, "c") + RuleText(6, "d") + RuleText(7, "e") +
                    RuleText(8, "f"),
                {{2, code::kNumberingGap}},
                "never reads rules 3, 4 and 6 to 8"},
        GapCase{"NoRuleOne", RuleText(2, "a"), {{1, code::kNumberingGap}}, "never reads rule 2"},
        // Keys the sink's reader does not take for rule keys hide nothing.
        GapCase{"NotRuleKeys",
                RuleText(1, "a") + "Target03=<NULL>\nTargetDisplayName3=x\nTarget40000=<NULL>\n",
                {},
                ""},
        // Of a key written twice the reader takes the first.
        GapCase{"FirstKeyWins", RuleText(1, "a") + "Target3=\nTarget3=<NULL>\n", {}, ""},
        GapCase{"NoGap", RuleText(1, "a") + RuleText(2, "b"), {}, ""}));

TEST(LintRuleFileTest, RuleFindingsComeWithTheGap) {
  const auto findings = LintRuleFile(Parsed(RuleText(1, "") + RuleText(2, "x") + RuleText(4, "y")));
  EXPECT_EQ(Codes(findings), (Expected{{2, code::kShadowed}, {3, code::kNumberingGap}}));
}

}  // namespace
}  // namespace quarvel::lint
