// The rule checks' findings in the rules list: a rule with an error shows in
// red, one with a warning in brown, and its row's tooltip says why under the
// condition, in the words of quarvel-explain lint; a reload after the file is
// mended leaves no trace of them.
#include "setup/rules/RuleFindings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "setup/rules/RuleListHarness_test_support.h"

namespace quarvel::setup {
namespace {

using namespace platform::controls;
using testing::RuleLines;
using testing::RuleListHarness;

const Color kPlain = Color::System(SystemColor::kWindowText);

TEST(RuleFindingsTest, RowsShowTheirRulesFindings) {
  RuleListHarness h;
  h.WriteRuleFile("[Quarvel RuleSet1]\n" +
                  RuleLines(1, "Subject", "Offer", "move to", "http://MAIL01/Public/Junk Mail") +
                  RuleLines(2, "Subject", "Offer for you", "delete", "<NULL>") +
                  RuleLines(3, "X-Test", "[abc{*}", "delete", "<NULL>") +
                  RuleLines(4, "IMFSCL", "{>6}", "delete", "<NULL>") +
                  RuleLines(6, "X-Hidden", "yes", "delete", "<NULL>"));
  h.rules.LoadRules();

  std::vector<std::pair<int, std::string_view>> codes;
  for (const auto& finding : h.rules.Findings()) codes.emplace_back(finding.rule, finding.code);
  EXPECT_EQ(codes, (std::vector<std::pair<int, std::string_view>>{{2, lint::code::kShadowed},
                                                                  {3, lint::code::kInvalidPattern},
                                                                  {5, lint::code::kNumberingGap}}));

  const struct {
    int row;
    Color color;
    std::string tipStart;
    std::string tipHas;
  } expected[] = {
      {1, kPlain, "Subject: Offer", ""},
      {2, kRuleWarningColor, "Subject: Offer for you\nrule 2: warning: rule 1 matches everything",
       "[shadowed]"},
      {3, kRuleErrorColor, "X-Test: [abc{*}\nrule 3: error: invalid pattern: '['",
       "[invalid-pattern]"},
      // What lies beyond the last rule shows on it.
      {4, kRuleWarningColor, "SCL value is greater than 6\nrule 5: warning: there is no rule 5",
       "never reads rule 6 [numbering-gap]"},
  };
  const ListItemCollection& items = h.form.ListView2.ListItems();
  ASSERT_EQ(items.Count(), 4);
  for (const auto& row : expected) {
    SCOPED_TRACE(row.row);
    const ListItem& item = items(row.row);
    EXPECT_EQ(item.ForeColor(), row.color);
    for (const ListSubItem& cell : item.ListSubItems()) EXPECT_EQ(cell.ForeColor(), row.color);
    EXPECT_TRUE(item.ToolTipText().starts_with(row.tipStart)) << item.ToolTipText();
    EXPECT_NE(item.ToolTipText().find(row.tipHas), std::string::npos) << item.ToolTipText();
    if (row.tipHas.empty()) {
      EXPECT_EQ(item.ToolTipText(), row.tipStart);
    }
  }

  // Mended: the marks go with the next load.
  h.WriteRuleFile("[Quarvel RuleSet1]\n" + RuleLines(1, "Subject", "Offer", "delete", "<NULL>") +
                  RuleLines(2, "X-Test", "abc{*}", "delete", "<NULL>"));
  h.rules.LoadRules();
  EXPECT_TRUE(h.rules.Findings().empty());
  for (const ListItem& item : items) {
    EXPECT_EQ(item.ForeColor(), kPlain);
    EXPECT_EQ(item.ToolTipText().find('\n'), std::string::npos) << item.ToolTipText();
  }
}

}  // namespace
}  // namespace quarvel::setup
