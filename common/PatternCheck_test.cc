// Which condition values the sink's matcher refuses, and the words it uses.
#include "common/PatternCheck.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace quarvel::pattern {
namespace {

struct ProblemCase {
  const char* value;
  std::optional<std::string> problem;
  friend void PrintTo(const ProblemCase& c, std::ostream* os) { *os << '"' << c.value << '"'; }
};

class ConditionPatternProblemTest : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(ConditionPatternProblemTest, NamesTheFirstBadListOrNothing) {
  EXPECT_EQ(ConditionPatternProblem(GetParam().value), GetParam().problem) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ConditionPatternProblemTest,
    ::testing::Values(
        // Without a braced wildcard the value is text or a group: never refused.
        ProblemCase{"[abc", std::nullopt}, ProblemCase{"[z-a] {>3}", std::nullopt},
        ProblemCase{"", std::nullopt}, ProblemCase{"{*", std::nullopt},
        // Positions count the rewritten pattern's characters: "{*}" is one.
        ProblemCase{"[abc{*}", "invalid pattern: '[' at character 1 has no closing ']'"},
        ProblemCase{"{*}{?}[x", "invalid pattern: '[' at character 3 has no closing ']'"},
        ProblemCase{"  {*}[", "invalid pattern: '[' at character 2 has no closing ']'"},
        ProblemCase{"[Z-A]{*}", "invalid pattern: range 'Z-A' at character 2 is descending"},
        // Letter case is mapped before the ranges are compared.
        ProblemCase{"[a-Z]{*}", std::nullopt},
        ProblemCase{"[z-b]{*}", "invalid pattern: range 'Z-B' at character 2 is descending"},
        ProblemCase{"[!é-a]{?}", "invalid pattern: range 'É-A' at character 3 is descending"},
        ProblemCase{"x[[]y]{*}", std::nullopt}, ProblemCase{"[]{*}", std::nullopt},
        // Only the first problem is named.
        ProblemCase{"{*}[b-a][", "invalid pattern: range 'B-A' at character 3 is descending"},
        ProblemCase{"{>9}[{*}", "invalid pattern: '[' at character 5 has no closing ']'"},
        ProblemCase{"Spam: {*}", std::nullopt}));

TEST(BracedWildcardTest, RewritesBothWildcardsOnly) {
  const std::string pattern = "{*}a{?}{x}{*";
  std::string out(pattern.size(), '\0');
  out.resize(RewriteWildcards(pattern, out.data()));
  EXPECT_EQ(out, "*a?{x}{*");
  EXPECT_TRUE(HasBracedWildcard(pattern));
  EXPECT_FALSE(HasBracedWildcard("{x}{*", 0));
  EXPECT_FALSE(HasBracedWildcard("{*}abc", 1));
}

}  // namespace
}  // namespace quarvel::pattern
