#include "common/HeaderMatching.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/Text.h"

namespace quarvel::matching {
namespace {

struct AddressCase {
  const char* target;
  const char* address;
};

class ExtractAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(ExtractAddressTest, TakesTheBracketedAddress) {
  EXPECT_EQ(ExtractAddress(GetParam().target), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(Targets, ExtractAddressTest,
                         ::testing::Values(AddressCase{"Boss <boss@example.com>",
                                                       "boss@example.com"},
                                           AddressCase{"boss@example.com", "boss@example.com"},
                                           AddressCase{"odd> name <x@y", "odd> name <x@y"},
                                           AddressCase{"a@b <c>", "a@b <c>"},
                                           AddressCase{"<@>", "@"}, AddressCase{"", ""}));

// The index must give exactly what a line-by-line search gives: the first
// line whose name equals the wanted one ignoring case.
TEST(HeaderLinesTest, AgreesWithALineByLineSearch) {
  const std::vector<std::string> names = {"X-Spam-Flag", "x-spam-flag", "X-SPAM-FLAG ",
                                          " Subject",    "From",        "\u212Aey",
                                          "key",         "KEY",         "\u00C4rger",
                                          "\u00E4RGER",  "X-Spam",      "X-Spam-Status",
                                          "a",           "B",           ""};
  const std::vector<std::string> wanted = {"x-spam-flag", "SUBJECT", "Key",   "\u212Aey",
                                           "\u00E4rger",  "x-spam",  "A",     "b",
                                           "missing",     "",        "From ", "x-spam-status"};
  std::mt19937 random(8);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::pair<std::string, std::string>> lines;
    std::string text;
    const int count = static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
      const auto& name = names[random() % names.size()];
      const auto value = "v" + std::to_string(i);
      lines.emplace_back(name, value);
      text += name + ":" + value + "\r\n";
    }
    const HeaderLines indexed(text);
    for (const auto& name : wanted) {
      std::optional<std::string> expected;
      for (const auto& [lineName, value] : lines) {
        if (text::EqualsIgnoreCase(text::Trim(lineName), name)) {
          expected = value;
          break;
        }
      }
      const auto found = indexed.FirstValue(name);
      EXPECT_EQ(found ? std::optional<std::string>(*found) : std::nullopt, expected)
          << "looking for \"" << name << "\" in\n"
          << text;
    }
  }
}

TEST(MatchHeaderLineTest, NamesIgnoreCaseAndLinesWithoutColonAreSkipped) {
  const std::string text = "garbage line\r\n   \r\nx-spam-FLAG :  YES \r\n";
  EXPECT_TRUE(MatchHeaderLine(text, "X-Spam-Flag", "yes"));
  EXPECT_FALSE(MatchHeaderLine(text, "X-Spam", ""));
  EXPECT_FALSE(MatchHeaderLine("", "X-Spam-Flag", ""));
  // A folded continuation is not joined to its header.
  EXPECT_FALSE(MatchHeaderLine("Subject: cheap\r\n offer\r\n", "Subject", "cheap offer"));
}

}  // namespace
}  // namespace quarvel::matching
