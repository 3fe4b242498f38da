#include "setup/rules/RuleDisplayText.h"

#include <gtest/gtest.h>

#include <string>

namespace quarvel::setup {
namespace {

using Kind = EditorFields::Kind;

// A stored rule shown in the list, opened in the editor and saved again.
struct RoundTrip {
  std::string header, value;  // stored
  std::string text;           // the list's text
  Kind kind;
  std::string first, second;            // the editor's fields
  std::string savedHeader, savedValue;  // stored again
};

class RuleDisplayTextRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(RuleDisplayTextRoundTrip, EveryFormConvertsIntoTheOthers) {
  const RoundTrip& c = GetParam();
  EXPECT_EQ(ConditionToText(c.header, c.value), c.text);
  const EditorFields fields = TextToEditorFields(c.text);
  EXPECT_EQ(fields.kind, c.kind);
  EXPECT_EQ(fields.first, c.first);
  EXPECT_EQ(fields.second, c.second);
  const StoredCondition saved = TextToCondition(c.text);
  EXPECT_EQ(saved.header, c.savedHeader);
  EXPECT_EQ(saved.value, c.savedValue);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamplesAndEdges, RuleDisplayTextRoundTrip,
    testing::Values(RoundTrip{"IMFSCL", "{>3}", "SCL value is greater than 3", Kind::kScl,
                              "greater than", "3", "IMFSCL", "{>3}"},
                    RoundTrip{"IMFSCL", "{<5}", "SCL value is less than 5", Kind::kScl, "less than",
                              "5", "IMFSCL", "{<5}"},
                    RoundTrip{"IMFSCL", "4", "SCL value is equal to 4", Kind::kScl, "equal to", "4",
                              "IMFSCL", "4"},
                    RoundTrip{"IMFSCL", "-1", "SCL value is equal to -1", Kind::kScl, "equal to",
                              "-1", "IMFSCL", "-1"},
                    RoundTrip{"Subject", "[SPAM]", "Subject: [SPAM]", Kind::kHeader,
                              "Subject:", "[SPAM]", "Subject", "[SPAM]"},
                    RoundTrip{"Return-path", "{?}{?}:{*}", "Return-path: {?}{?}:{*}", Kind::kHeader,
                              "Return-path:", "{?}{?}:{*}", "Return-path", "{?}{?}:{*}"},
                    // Only the relation right after "{" becomes words; blanks go on saving.
                    RoundTrip{"IMFSCL", "{>3 <8}", "SCL value is greater than 3 <8", Kind::kScl,
                              "greater than 3", "<8", "IMFSCL", "{>3<8}"},
                    // A marker that is no relation survives the round trip.
                    RoundTrip{"IMFSCL", "{=2}", "SCL value is {=2", Kind::kScl, "SCL value is {=2",
                              "{=2", "IMFSCL", "{=2}"},
                    // "IMFSCL" is recognised in capitals only, and as a prefix.
                    RoundTrip{"imfscl", "{>3}", "imfscl: {>3}", Kind::kHeader, "imfscl:", "{>3}",
                              "imfscl", "{>3}"},
                    RoundTrip{"IMFSCLX", "7", "SCL value is equal to 7", Kind::kScl, "equal to",
                              "7", "IMFSCL", "7"},
                    RoundTrip{"", "x", ": x", Kind::kHeader, ":", "x", "", "x"},
                    // Blanks around the stored pair disappear on the first save.
                    RoundTrip{"  X-Spam-Flag ", " YES ", "  X-Spam-Flag :  YES ", Kind::kHeader,
                              "X-Spam-Flag :", "YES", "X-Spam-Flag", "YES"},
                    // A colon in the value stays in the value.
                    RoundTrip{"Subject", "Re: hi", "Subject: Re: hi", Kind::kHeader,
                              "Subject:", "Re: hi", "Subject", "Re: hi"}));

TEST(RuleDisplayTextTest, TextWithoutColonOrSclPrefixIsAllHeader) {
  const StoredCondition saved = TextToCondition("X-Test YES");
  EXPECT_EQ(saved.header, "X-Test YES");
  EXPECT_EQ(saved.value, "");
  const EditorFields fields = TextToEditorFields("X-Test YES");
  EXPECT_EQ(fields.kind, Kind::kHeader);
  EXPECT_EQ(fields.first, "X-Test YES");
  EXPECT_EQ(fields.second, "");
}

TEST(RuleDisplayTextTest, SclPrefixIgnoresCaseButReplacementsDoNot) {
  EXPECT_EQ(TextToCondition("scl VALUE is greater than 3").value, "{>3}");
  EXPECT_EQ(TextToEditorFields("scl VALUE is less than 2").kind, Kind::kScl);
  // "Greater Than" is no relation word: it stays, squeezed, with no marker.
  EXPECT_EQ(TextToCondition("SCL value is Greater Than 3").value, "GreaterThan3");
}

TEST(RuleDisplayTextTest, EditorFieldsBecomeListText) {
  EXPECT_EQ(EditorFieldsToText({Kind::kHeader, " X-Test ", " 1 "}), "X-Test: 1");
  EXPECT_EQ(EditorFieldsToText({Kind::kHeader, "Subject:", "Spam:"}), "Subject: Spam:");
  EXPECT_EQ(EditorFieldsToText({Kind::kHeader, "", "v"}), ": v");
  EXPECT_EQ(EditorFieldsToText({Kind::kScl, " greater than ", " 3 "}),
            "SCL value is greater than 3");
  // The header typed without a colon reaches the file without one.
  EXPECT_EQ(TextToCondition(EditorFieldsToText({Kind::kHeader, "X-Test", "on"})).header, "X-Test");
}

TEST(RuleDisplayTextTest, TipTextCutsAtSeventySixCharacters) {
  const std::string seventyFive(75, 'a');
  EXPECT_EQ(TipText(seventyFive), seventyFive);
  EXPECT_EQ(TipText(seventyFive + "b"), seventyFive + " ...");
  EXPECT_EQ(TipText(""), "");
  // Characters, not bytes: 75 two-byte letters are still their own tooltip,
  // and a cut never splits one.
  std::string umlauts;
  for (int i = 0; i < 75; ++i) umlauts += "\xC3\xA4";
  EXPECT_EQ(TipText(umlauts), umlauts);
  EXPECT_EQ(TipText(umlauts + "x"), umlauts + " ...");
}

}  // namespace
}  // namespace quarvel::setup
