#include "tools/quarvel-explain/ExplainCommands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace quarvel::explain {
namespace {

struct MatchCase {
  const char* pattern;
  const char* value;
  int exitCode;
  const char* output;
};

class ExplainMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(ExplainMatchTest, PrintsTheVerdictAndExitsWithIt) {
  std::ostringstream out, err;
  EXPECT_EQ(RunMatch(GetParam().pattern, GetParam().value, out, err), GetParam().exitCode);
  EXPECT_EQ(out.str(), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(Verdicts, ExplainMatchTest,
                         ::testing::Values(MatchCase{"{>5}", "7", kMatch, "match\n"},
                                           MatchCase{"Spam:", "Re: Spam:", kNoMatch, "no match\n"},
                                           MatchCase{"[Z-A]{*}", "x", kInvalidPattern, ""},
                                           MatchCase{"[abc{*}", "x", kInvalidPattern, ""},
                                           // One character never stands for two.
                                           MatchCase{"Stra{?}e", "Straße", kMatch, "match\n"},
                                           MatchCase{"{?}", "ß", kMatch, "match\n"},
                                           MatchCase{"[ß]{*}", "Sale", kNoMatch, "no match\n"},
                                           MatchCase{"STRASSE{*}", "Straße", kNoMatch,
                                                     "no match\n"},
                                           MatchCase{"STRASSE", "Straße", kNoMatch, "no match\n"}));

TEST(ExplainMatchTest, InvalidPatternNamesTheProblem) {
  std::ostringstream out, err;
  RunMatch("[abc{*}", "x", out, err);
  EXPECT_NE(err.str().find("["), std::string::npos) << err.str();
}

class ExplainRulesTest : public ::testing::Test {
 protected:
  ExplainRulesTest()
      : path_(std::filesystem::temp_directory_path() /
              ("explain_rules_" + std::to_string(::getpid()) + ".ini")) {
    std::ofstream(path_) << "[Quarvel RuleSet1]\n"
                            "ConditionHeader1=Subject\nConditionValue1=a\tb\nAction1=move to\n"
                            "Target1=/Public/Junk Mail\n"
                            "ConditionHeader2=IMFSCL\nConditionValue2={>6}\nAction2=delete\n"
                            "Target2=<NULL>\n"
                            "[Quarvel PickupDir]\nPath=/var/spool/pickup\n";
  }
  ~ExplainRulesTest() override { std::filesystem::remove(path_); }

  std::filesystem::path path_;
};

TEST_F(ExplainRulesTest, JsonHoldsEveryRuleAsLoaded) {
  std::ostringstream out, err;
  ASSERT_EQ(RunRules(path_.string(), true, out, err), 0) << err.str();
  const auto document = nlohmann::json::parse(out.str());
  EXPECT_EQ(document, nlohmann::json::parse(R"({"rules":[
      {"number":1,"header":"Subject","value":"a\tb","action":"move to","target":"/Public/Junk Mail"},
      {"number":2,"header":"IMFSCL","value":"{>6}","action":"delete","target":"<NULL>"}],
      "pickup":"/var/spool/pickup"})"));
}

TEST_F(ExplainRulesTest, TableShowsRulesAndPickupWithControlCharactersVisible) {
  std::ostringstream out, err;
  ASSERT_EQ(RunRules(path_.string(), false, out, err), 0);
  const auto text = out.str();
  EXPECT_NE(text.find("a\\tb"), std::string::npos) << text;
  EXPECT_NE(text.find("/Public/Junk Mail"), std::string::npos);
  EXPECT_NE(text.find("Pickup directory: /var/spool/pickup"), std::string::npos);
}

TEST_F(ExplainRulesTest, MissingFileIsAnError) {
  std::ostringstream out, err;
  EXPECT_EQ(RunRules("/nonexistent/Quarvel.ini", false, out, err), 1);
  EXPECT_NE(err.str().find("/nonexistent/Quarvel.ini"), std::string::npos);
}

}  // namespace
}  // namespace quarvel::explain
