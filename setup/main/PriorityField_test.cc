// The event priority: what the field lets a person type, what it keeps when
// text is pasted or cleared, and which texts are priorities at all.
#include "setup/main/PriorityField.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "setup/main/EventPriority.h"
#include "setup/main/InstallForm.h"

namespace quarvel::setup {
namespace {

struct PriorityCase {
  const char* text;
  std::optional<int> priority;
};

TEST(EventPriorityTest, OnlyWholeNumbersFrom0To65535InDigitsArePriorities) {
  const PriorityCase cases[] = {
      {"0", 0},    {"65535", 65535}, {"65520", 65520}, {"  42 ", 42},
      {"007", 7},  {"65536", {}},    {"70000", {}},    {"99999999999999999999", {}},
      {"", {}},    {"   ", {}},      {"-1", {}},       {"+5", {}},
      {"1e3", {}}, {"12.0", {}},     {"12 34", {}},    {"abc", {}},
      {"\t5", {}}, {"&H10", {}},     {"１２", {}},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseEventPriority(c.text);
    EXPECT_EQ(parsed ? std::optional<int>(*parsed) : std::nullopt, c.priority)
        << '"' << c.text << '"';
  }
}

class PriorityFieldTest : public ::testing::Test {
 protected:
  PriorityFieldTest() {
    state_.lastValidPriority = form_.txtPriority.Text();
    form_.txtPriority.OnKeyPress = [this](int& key) { field_.KeyPress(key); };
    form_.txtPriority.OnChange = [this] { field_.Change(); };
  }
  const std::string& Text() const { return form_.txtPriority.Text(); }

  InstallForm form_;
  ProgramState state_;
  PriorityField field_{form_.txtPriority, state_};
};

TEST_F(PriorityFieldTest, OnlyDigitsBackspaceAndBlankCanBeTyped) {
  form_.txtPriority.UserPaste("1");
  form_.txtPriority.UserType("a2-b3.x +");
  EXPECT_EQ(Text(), "123 ");
  EXPECT_EQ(state_.lastValidPriority, "123 ");
}

TEST_F(PriorityFieldTest, TypingPastTheLargestPriorityKeepsTheLastValidText) {
  form_.txtPriority.UserPaste("6553");
  form_.txtPriority.UserType("5");
  EXPECT_EQ(Text(), "65535");
  form_.txtPriority.UserType("0");
  EXPECT_EQ(Text(), "65535");
  EXPECT_EQ(state_.lastValidPriority, "65535");
  form_.txtPriority.UserKeyPress(platform::controls::kKeyBackspace);
  EXPECT_EQ(Text(), "6553");
}

TEST_F(PriorityFieldTest, PastedOrClearedTextThatIsNoPriorityBringsBackTheLastValidOne) {
  struct Paste {
    const char* text;
    const char* shown;
  };
  const Paste pastes[] = {
      {"100", "100"},   {"70000", "100"}, {"abc", "100"}, {"", "100"},    {"-5", "100"},
      {" 12 ", " 12 "}, {"1e3", " 12 "},  {"0", "0"},     {"65536", "0"},
  };
  for (const auto& paste : pastes) {
    form_.txtPriority.UserPaste(paste.text);
    EXPECT_EQ(Text(), paste.shown) << "pasting \"" << paste.text << '"';
    EXPECT_EQ(state_.lastValidPriority, paste.shown);
    EXPECT_FALSE(state_.priorityGuard);
  }
}

TEST_F(PriorityFieldTest, TheProgramsOwnWriteIsTakenAsItIs) {
  field_.SetByProgram("12345");
  EXPECT_EQ(Text(), "12345");
  EXPECT_EQ(state_.lastValidPriority, "12345");
  form_.txtPriority.UserPaste("");
  EXPECT_EQ(Text(), "12345");
}

}  // namespace
}  // namespace quarvel::setup
