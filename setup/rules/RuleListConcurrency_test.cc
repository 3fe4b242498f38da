// The sink reads the rule file at every saved item, with no coordination with
// the setup program. While the rules list saves move after move, readers on
// other threads, with the sink's own reader, must always find a whole list:
// the old one or the new one, never fewer rules, never the fields of one rule
// beside those of another.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/RuleFileReader.h"
#include "setup/rules/RuleListHarness_test_support.h"

namespace quarvel::setup {
namespace {

using testing::RuleLines;
using testing::RuleListHarness;

constexpr int kRules = 6;

TEST(RuleListConcurrencyTest, ASinkReadingWhileTheListSavesSeesWholeLists) {
  RuleListHarness h;
  std::string text = "[Quarvel RuleSet1]\n";
  for (int k = 1; k <= kRules; ++k) {
    const std::string n = std::to_string(k);
    // Every field names its rule, so a field of another rule shows.
    text += RuleLines(k, "H" + n, "V" + n, "move to", "http://MAIL01/Public/T" + n, "D" + n);
  }
  h.WriteRuleFile(text + "[Quarvel PickupDir]\nPath=/srv/pickup\n");
  h.rules.LoadRules();
  ASSERT_EQ(h.form.ListView2.ListItems().Count(), kRules);

  std::atomic<bool> saving{true};
  std::atomic<int> reads{0};
  std::vector<std::string> faults(2);
  std::vector<std::set<std::string>> orders(2);
  std::vector<std::thread> readers;
  for (std::size_t r = 0; r < faults.size(); ++r) {
    readers.emplace_back([&, r] {
      RuleFileReader reader;
      while (saving.load() && faults[r].empty()) {
        reader.Load(h.RuleFilePath());
        const auto rules = reader.Rules();
        std::set<std::string> seen;
        std::string order;
        if (rules.size() != static_cast<std::size_t>(kRules)) {
          faults[r] = "read " + std::to_string(rules.size()) + " rules";
        }
        for (const auto& rule : rules) {
          const std::string n(rule.header.substr(rule.header.empty() ? 0 : 1));
          if (rule.value != "V" + n || rule.target != "http://MAIL01/Public/T" + n ||
              rule.action != "move to" || !seen.insert(n).second) {
            faults[r] = "rule " + std::string(rule.header) + " reads " + std::string(rule.value) +
                        ", " + std::string(rule.target);
          }
          order += n;
        }
        if (reader.PickupPath() != "/srv/pickup") faults[r] = "the pickup directory went missing";
        orders[r].insert(order);
        reads.fetch_add(1);
      }
    });
  }
  // The person moves rules about: every move saves the whole list.
  for (int move = 0; move < 150; ++move) {
    h.ClickRow(1 + move % (kRules - 1));
    ASSERT_TRUE(h.form.cmdMoveDown.UserClick());
  }
  saving.store(false);
  for (auto& reader : readers) reader.join();
  for (std::size_t r = 0; r < faults.size(); ++r) {
    EXPECT_EQ(faults[r], "") << "reader " << r;
  }
  EXPECT_GT(reads.load(), 0);
  EXPECT_EQ(h.form.txtErr.Text(), "");
  ::testing::Test::RecordProperty("reads", reads.load());
  ::testing::Test::RecordProperty("orders_seen",
                                  static_cast<int>(orders[0].size() + orders[1].size()));
}

}  // namespace
}  // namespace quarvel::setup
