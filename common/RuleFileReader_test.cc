#include "common/RuleFileReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarvel {
namespace {

std::string RuleLines(int n, const std::string& header, const std::string& value,
                      const std::string& action, const std::string& target) {
  const auto number = std::to_string(n);
  return "ConditionHeader" + number + "=" + header + "\nConditionValue" + number + "=" + value +
         "\nAction" + number + "=" + action + "\nTarget" + number + "=" + target + "\n";
}

struct ListCase {
  const char* name;
  std::string text;
  std::vector<Rule> expected;
};

class RuleFileListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(RuleFileListTest, LoadsExactlyTheListedRules) {
  EXPECT_EQ(ParseRuleFile(GetParam().text).rules, GetParam().expected);
}

const Rule kSubjectMove{"Subject", "[SPAM]", "move to", "/Public/Junk Mail"};
const Rule kSclDelete{"IMFSCL", "{>6}", "delete", "<NULL>"};

INSTANTIATE_TEST_SUITE_P(
    Cases, RuleFileListTest,
    ::testing::Values(
        ListCase{"TwoRules",
                 "[Quarvel RuleSet1]\n" +
                     RuleLines(1, "Subject", "[SPAM]", "move to", "/Public/Junk Mail") +
                     "TargetDisplayName1=Junk Mail\n" +
                     RuleLines(2, "IMFSCL", "{>6}", "delete", "<NULL>"),
                 {kSubjectMove, kSclDelete}},
        ListCase{"GapEndsTheList",
                 "[Quarvel RuleSet1]\n" +
                     RuleLines(1, "Subject", "[SPAM]", "move to", "/Public/Junk Mail") +
                     RuleLines(2, "IMFSCL", "{>6}", "delete", "<NULL>") +
                     RuleLines(4, "From", "x", "delete", "<NULL>"),
                 {kSubjectMove, kSclDelete}},
        ListCase{"EmptyFirstRuleEndsTheList",
                 "[Quarvel RuleSet1]\n" + RuleLines(1, "", "", "", "") +
                     RuleLines(2, "IMFSCL", "{>6}", "delete", "<NULL>"),
                 {}},
        ListCase{"EditedByHand",
                 "\t[ Quarvel RuleSet1\t]\r  ConditionHeader1  =\tX-Spam-Flag\t\r"
                 "\tConditionValue1 = YES\rAction1\t=\tdelete\r Target1=<NULL> \r",
                 {{"X-Spam-Flag", "YES", "delete", "<NULL>"}}},
        ListCase{"EmptyConditionValueIsLegal",
                 "[Quarvel RuleSet1]\n" + RuleLines(1, "X-Spam-Flag", "", "delete", "<NULL>"),
                 {{"X-Spam-Flag", "", "delete", "<NULL>"}}},
        ListCase{"DisplayNameAloneEndsTheList",
                 "[Quarvel RuleSet1]\n" + RuleLines(1, "IMFSCL", "{>6}", "delete", "<NULL>") +
                     "TargetDisplayName2=Junk\n" +
                     RuleLines(3, "IMFSCL", "{>6}", "delete", "<NULL>"),
                 {kSclDelete}},
        ListCase{"OneKeyKeepsARuleAlive",
                 "[Quarvel RuleSet1]\nTarget1=<NULL>\n",
                 {{"", "", "", "<NULL>"}}},
        ListCase{"TabStaysInsideItsValue",
                 "[Quarvel RuleSet1]\n" +
                     RuleLines(1, "Subject", "a\tb", "move to", "/Public/Keep") +
                     RuleLines(2, "IMFSCL", "{>6}", "delete", "<NULL>"),
                 {{"Subject", "a\tb", "move to", "/Public/Keep"}, kSclDelete}},
        ListCase{"NamesIgnoreCaseAndBlanks",
                 "[ quarvel ruleset1 ]\n conditionheader1 = Subject\nCONDITIONVALUE1=[SPAM]\n"
                 "action1=move to\ntarget1 =  /Public/Junk Mail  \n",
                 {kSubjectMove}},
        ListCase{"KeysInAnyOrderFirstWins",
                 "[Quarvel RuleSet1]\nTarget1=<NULL>\nTarget1=/Public/Other\nAction1=delete\n"
                 "ConditionValue1={>6}\nConditionHeader1=IMFSCL\n",
                 {kSclDelete}},
        ListCase{"LeadingZeroIsAnotherKey",
                 "[Quarvel RuleSet1]\nConditionHeader01=IMFSCL\nTarget01=<NULL>\n",
                 {}},
        ListCase{
            "QuotesDropped",
            "[Quarvel RuleSet1]\n" + RuleLines(1, "\"Subject\"", "' Spam: '", "delete", "<NULL>"),
            {{"Subject", " Spam: ", "delete", "<NULL>"}}},
        ListCase{"OtherSectionsDoNotCount",
                 "[Other]\n" + RuleLines(1, "IMFSCL", "{>6}", "delete", "<NULL>") +
                     "[Quarvel RuleSet1]\n",
                 {}}),
    [](const auto& info) { return info.param.name; });

TEST(RuleFileTest, PickupPathAndMissingFile) {
  EXPECT_EQ(ParseRuleFile("[Quarvel PickupDir]\nPath= /var/spool/pickup \n").pickupPath,
            "/var/spool/pickup");
  const auto missing = ReadRuleFile("/nonexistent/dir/Quarvel.ini");
  EXPECT_TRUE(missing.rules.empty());
  EXPECT_TRUE(missing.pickupPath.empty());
}

TEST(RuleFileTest, AllRuleNumbersPresentLoadWithoutOverflow) {
  std::string text = "[Quarvel RuleSet1]\n";
  for (int n = 1; n <= kMaxRuleNumber + 1; ++n) {
    text += RuleLines(n, "IMFSCL", std::to_string(n % 10), "delete", "<NULL>");
  }
  const auto set = ParseRuleFile(text);
  ASSERT_EQ(set.rules.size(), static_cast<std::size_t>(kMaxRuleNumber));
  EXPECT_EQ(set.rules.back().value, std::to_string(kMaxRuleNumber % 10));
}

}  // namespace
}  // namespace quarvel
