#include "sink/basParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "common/PatternCheck.h"

namespace quarvel::sink {
namespace {

struct ConditionCase {
  const char* pattern;
  const char* value;
  bool holds;
};

void PrintTo(const ConditionCase& c, std::ostream* os) {
  *os << "pattern \"" << c.pattern << "\" value \"" << c.value << "\"";
}

class ConditionHoldsTable : public testing::TestWithParam<ConditionCase> {};

TEST_P(ConditionHoldsTable, Holds) {
  EXPECT_EQ(ConditionHolds(GetParam().value, GetParam().pattern), GetParam().holds);
}

// The examples every rule author relies on.
INSTANTIATE_TEST_SUITE_P(
    Examples, ConditionHoldsTable,
    testing::Values(  //
        ConditionCase{"Spam:", "Spam: cheap offer", true},
        ConditionCase{"Spam:", "spam: cheap offer", true},
        ConditionCase{"Spam:", "Re: Spam: offer", false},
        ConditionCase{"{?}{?}:{*}", "RE: hello", true}, ConditionCase{"{?}{?}:{*}", "Hello", false},
        ConditionCase{"{>3.9 <11.1}", "5.2", true}, ConditionCase{"{>3.9 <11.1}", "3.9", false},
        ConditionCase{"{>3.9 <11.1}", "4,5", true},
        ConditionCase{"{>3.9 <11.1}", "7 (high)", false},
        ConditionCase{"No, hits={>-4.9}", "No, hits=2.3", true},
        ConditionCase{"No, hits={>-4.9}", "no, HITS=2.3", true},
        ConditionCase{"No, hits={>-4.9}", "No, hits=-7.0", false},
        ConditionCase{"No, hits={>-4.9}", "No, hits=2.3 required=5.0", false},
        ConditionCase{"[SPAM]", "[SPAM] offer", true},
        ConditionCase{"[SPAM]", "Re: [SPAM] offer", false},
        ConditionCase{"[SPAM]{*}", "[SPAM] offer", false},
        ConditionCase{"[SPAM]{*}", "Sale now", true}, ConditionCase{"{*}", "anything", true},
        ConditionCase{"", "anything", true}, ConditionCase{"anything", "", false},
        ConditionCase{"{5}", "5", false}, ConditionCase{"{ * }", "5", false},
        ConditionCase{"{>5}", "7", true}, ConditionCase{"{<5}", "-1", true},
        ConditionCase{"5", "5", true}, ConditionCase{"5", "-1", false},
        ConditionCase{"{<11.1 >3.9}", "5.2", true}, ConditionCase{"{<5 <3}", "4", true},
        ConditionCase{"No, hits={>-4.9}{*}", "No, hits=2.3 required=5.0", false}));

// Finer points of comparison groups that the examples leave open.
INSTANTIATE_TEST_SUITE_P(
    Groups, ConditionHoldsTable,
    testing::Values(                                     //
        ConditionCase{"{>1", "5", false},                // no "}": plain text, never a group
        ConditionCase{"{>1{*}", "{>1 x", true},          // ... and under wildcards just characters
        ConditionCase{"{<5}", "5", false},               // strict
        ConditionCase{"{>1 <9}", "9", false},            // upper bound strict too
        ConditionCase{"{>1 >9}", "5", true},             // repeated operator ignored
        ConditionCase{"{<9 >1}", "1", false},            // second bound applies after "<" first
        ConditionCase{"{ > 1 . 5 }", "2", true},         // blanks inside the group dropped
        ConditionCase{"{>3,5}", "3,6", true},            // comma as decimal point in the bound
        ConditionCase{"{>3,5}", "3,4", false},           //
        ConditionCase{"{>abc}", "1", true},              // unreadable bound reads as 0
        ConditionCase{"{>abc}", "-1", false},            //
        ConditionCase{"{<1}", "abc", false},             // no number: 0, but the rest stays
        ConditionCase{"{<1}abc", "abc", true},           // ... and must equal the tail
        ConditionCase{"{>1} points", "5 POINTS", true},  // tail compared ignoring case
        ConditionCase{"{>1} points", "5 points extra", false},  // tail is whole-text equality
        ConditionCase{"{>1}abc", "5abc", true},                 // number ends at the first letter
        ConditionCase{"{>1}", "5-", true},                      // "5-" reads as 5
        ConditionCase{"{>1}", "--5", false},                    // "--5" reads as 0
        ConditionCase{"{>1}", "1e3", false},                    // "e" ends the number: rest "e3"
        ConditionCase{"Subject: {>1}", "Sub", false},           // value shorter than the prefix
        ConditionCase{"Subject: {>1}", "Subject:5", true},      // prefix trimmed, rest trimmed
        ConditionCase{"  {>1}  ", "  5  ", true},               // both sides trimmed
        ConditionCase{"{}", "5", false},                        // empty group
        ConditionCase{"{>}", "1", true},                        // missing bound reads as 0
        ConditionCase{"Score {>5} of {<3}", "Score 7 of {<3}", true}  // second group is tail
        ));

// Wildcard patterns as rules write them: braces mark wildcards, letter case never counts.
INSTANTIATE_TEST_SUITE_P(Wildcards, ConditionHoldsTable,
                         testing::Values(  //
                             ConditionCase{"{*}viagra{*}", "Buy VIAGRA now", true},
                             ConditionCase{"{*}viagra", "Buy VIAGRA now", false},
                             ConditionCase{"a{?}c", "abc", true},
                             ConditionCase{"a{?}c", "ac", false},
                             ConditionCase{"*spam*", "no spam here", false},  // bare "*" is text
                             ConditionCase{"#{*}", "7 days", true},
                             ConditionCase{"#{*}", "x7 days", false},
                             ConditionCase{"[a-z]{*}", "Quarvel", true},  // range upper-cased
                             ConditionCase{"[!a-z]{*}", "quarvel", false},
                             ConditionCase{"{*}[0-9][0-9]%{*}", "Save 50% today", true},
                             ConditionCase{"[{*}", "[{*}x", true},  // begins-with decides first
                             ConditionCase{"  {*}offer  ", "great offer   ", true}));

TEST(ConditionHoldsTest, InvalidWildcardThrows) {
  EXPECT_THROW((void)ConditionHolds("abc", "[{*}"), PatternError);
  EXPECT_THROW((void)ConditionHolds("abc", "[z-a]{?}"), PatternError);
}

TEST(ConditionHoldsTest, InvalidWildcardThrowsEvenWhenGroupFails) {
  // The group fails on "5", but the pattern is still bad and must be reported.
  EXPECT_THROW((void)ConditionHolds("5", "{>9}[{*}"), PatternError);
  EXPECT_THROW((void)ConditionHolds("no number", "x{>9}[{*}"), PatternError);
}

// The setup program checks values with the shared syntax check before it
// saves them; it must refuse exactly what the matcher refuses, in its words.
TEST(ConditionHoldsTest, TheSharedCheckRefusesExactlyWhatTheMatcherRefuses) {
  for (const char* pattern :
       {"[{*}", "[z-a]{?}", "{>9}[{*}", "x{>9}[{*}", "[a-z]{*}", "[abc", "{*}[!É-a]", "{?}[ä-ö]x",
        "  {*}[b-a]  ", "{>3.9 <11.1}", "Spam:", "{*}[[]{*}", "\xFF{*}[", "[{?]"}) {
    std::optional<std::string> thrown;
    try {
      (void)MatchPattern("value", pattern);
    } catch (const PatternError& error) {
      thrown = error.what();
    }
    EXPECT_EQ(pattern::ConditionPatternProblem(pattern), thrown) << pattern;
  }
}

TEST(ConditionMatchPatternTest, LiteralTextAloneNeverMatches) {
  EXPECT_FALSE(MatchPattern("Spam", "Spam"));
  EXPECT_FALSE(MatchPattern("", ""));
}

TEST(ConditionMatchPatternTest, EmptyValueStillEvaluated) {
  EXPECT_TRUE(MatchPattern("", "{*}"));
  EXPECT_TRUE(MatchPattern("", "{<1}"));
}

TEST(ConditionHoldsTest, ComparisonCombinedWithWildcard) {
  // Both the group (with its tail) and the whole pattern as wildcard must agree.
  EXPECT_FALSE(ConditionHolds("7 x", "{>1}{?}"));    // tail "?" differs from rest "x"
  EXPECT_FALSE(ConditionHolds("7?", "{>1}{?}"));     // group holds, Like needs a literal "{"
  EXPECT_FALSE(ConditionHolds("{>1}X", "{>1}{?}"));  // Like holds, the group reads no number
}

// --- Unicode and malformed input ---------------------------------------------

// Letter case is ignored one character at a time, in wildcards as in plain
// text: no character ever stands for two, so "ß" is one character and never
// "SS", and a list holds exactly the characters written in it.
INSTANTIATE_TEST_SUITE_P(CaseBeyondAscii, ConditionHoldsTable,
                         testing::Values(                                     //
                             ConditionCase{"ä{*}", "Ärger über Spam", true},  //
                             ConditionCase{"ÉTÉ", "été", true},               //
                             ConditionCase{"Stra{?}e", "Straße", true},       //
                             ConditionCase{"{?}", "ß", true},                 //
                             ConditionCase{"[ß]{*}", "Sale", false},          //
                             ConditionCase{"[ß]{*}", "ßale", true},           //
                             ConditionCase{"STRASSE{*}", "Straße", false},    //
                             ConditionCase{"STRASSE", "Straße", false},  // plain and wildcard agree
                             ConditionCase{"stra{?}{?}e", "STRASSE", true},  //
                             ConditionCase{"{?}{?}", "ß", false},            //
                             ConditionCase{"\u1E9E{*}", "ßig", true},  // capital sharp s folds to ß
                             ConditionCase{"\u1E9E", "ßig", true},     //
                             ConditionCase{"k{?}", "\u212A1", true},   // Kelvin sign folds to k
                             ConditionCase{"[j-l]{*}", "\u212A", true},  // ... inside a range too
                             ConditionCase{"ı{*}", "I", false},          // dotless i is not I ...
                             ConditionCase{"ı", "I", false},             // ... in either test
                             ConditionCase{"İ{*}", "i", false},          //
                             ConditionCase{"ǆ{?}", "ǅx", true},          // title case
                             ConditionCase{"[à-ü]{*}", "É", true},  // ranges compare upper case
                             ConditionCase{"{*}σ", "ΟΔΟΣ", true},   //
                             ConditionCase{"{*}ς", "ΟΔΟΣ", true},   // final sigma is a sigma
                             ConditionCase{"\xFF{?}", "\xFFß",
                                           true},  // invalid bytes stay one each
                             ConditionCase{"{?}ß", "\xFESS", false}));

TEST(ConditionUnicodeTest, WildcardsCountCharactersNotBytes) {
  EXPECT_TRUE(ConditionHolds("É", "{?}"));
  EXPECT_FALSE(ConditionHolds("É", "{?}{?}"));
  EXPECT_TRUE(ConditionHolds("€5", "{?}#{*}"));
}

TEST(ConditionUnicodeTest, PrefixMeasuredInCharacters) {
  // U+023A is two bytes, its lower case U+2C65 three: a byte count cuts wrongly.
  EXPECT_TRUE(ConditionHolds("\u2C65:5", "\u023A:{>1}"));
  EXPECT_TRUE(ConditionHolds("\xFF=5", "\xFF={>1}"));
}

TEST(ConditionUnicodeTest, InvalidBytesCountAsOneCharacter) {
  EXPECT_TRUE(ConditionHolds("\xFF\xFE abc", "{?}{?} ABC"));
  EXPECT_FALSE(ConditionHolds("\xFF\xFE abc", "{?} ABC"));
  EXPECT_TRUE(ConditionHolds("\xC3", "{?}"));  // truncated sequence
}

// Only PatternError may escape; a "[" among the bytes legitimately raises it.
void ExpectNoCrash(const std::string& value, const std::string& pattern) {
  try {
    (void)ConditionHolds(value, pattern);
  } catch (const PatternError&) {
  }
}

TEST(ConditionUnicodeTest, ArbitraryBytesNeverCrash) {
  const std::vector<std::string> patterns = {"{*}", "{?}{*}", "{>1}", "x{<2 >1}{*}", "[!a]{*}"};
  for (int b = 0; b < 256; ++b) {
    const std::string bytes = {'a', static_cast<char>(b), '\xE2', '\x82', static_cast<char>(b)};
    for (const std::string& pattern : patterns) {
      ExpectNoCrash(bytes, pattern + bytes);
      ExpectNoCrash(bytes, bytes + pattern);
      ExpectNoCrash(pattern + bytes, pattern);
    }
    EXPECT_TRUE(ConditionHolds(bytes, "{*}")) << b;
  }
}

// --- Long input --------------------------------------------------------------

TEST(ConditionLongInputTest, LongRestCompared) {
  const std::string tail(40000, 'a');
  EXPECT_TRUE(ConditionHolds("5 " + tail, "{>1} " + tail));
  EXPECT_FALSE(ConditionHolds("5 " + tail + "b", "{>1} " + tail));
  EXPECT_TRUE(ConditionHolds(std::string(40000, '9'), "{>1}"));  // reads as +inf
}

TEST(ConditionLongInputTest, ManyStarsStayFast) {
  // Naive recursive matching is exponential here; the test would never finish.
  std::string stars;
  for (int i = 0; i < 30; ++i) stars += "{*}a";
  const std::string value = "x" + std::string(100000, 'a');
  EXPECT_TRUE(ConditionHolds(value, "x" + stars + "{*}"));
  EXPECT_FALSE(ConditionHolds(value, "x" + stars + "b"));
  const std::string upper(100000, 'A');
  EXPECT_FALSE(Like(upper, "*A*A*A*A*A*A*A*A*A*A*A*A*A*A*A*A*A*A*A*B"));
  EXPECT_TRUE(Like(upper + "B", "*A*A*A*A*A*A*A*A*A*A*A*A*A*A*A*A*A*A*A*B"));
  EXPECT_FALSE(Like(upper, "*" + std::string(50, 'A') + "B"));
}

// --- Like --------------------------------------------------------------------

struct LikeCase {
  const char* value;
  const char* pattern;
  bool matches;
};

void PrintTo(const LikeCase& c, std::ostream* os) {
  *os << "\"" << c.value << "\" Like \"" << c.pattern << "\"";
}

class LikeTable : public testing::TestWithParam<LikeCase> {};

TEST_P(LikeTable, Matches) {
  EXPECT_EQ(Like(GetParam().value, GetParam().pattern), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, LikeTable,
    testing::Values(                                                 //
        LikeCase{"ABC", "ABC", true}, LikeCase{"ABC", "AB", false},  // anchored at the end
        LikeCase{"ABC", "BC", false},                                // anchored at the start
        LikeCase{"abc", "ABC", false},                               // ordinal
        LikeCase{"", "", true}, LikeCase{"A", "", false}, LikeCase{"ABC", "A?C", true},
        LikeCase{"AC", "A?C", false}, LikeCase{"", "*", true}, LikeCase{"AC", "A*C", true},
        LikeCase{"ABBBC", "A*C", true},
        LikeCase{"ABCB", "A*B", true},  // star must reach the last B
        LikeCase{"AAB", "*AB", true},   // needs backtracking
        LikeCase{"ABAC", "*A?", true}, LikeCase{"BA", "A*", false}, LikeCase{"AXYB", "A**B", true},
        LikeCase{"A1", "A#", true}, LikeCase{"AX", "A#", false}, LikeCase{"A", "#", false},
        LikeCase{"\xD9\xA3", "#", false},  // Arabic-Indic digit: not 0-9
        LikeCase{"Q", "[A-Z]", true}, LikeCase{"A", "[A-Z]", true}, LikeCase{"Z", "[A-Z]", true},
        LikeCase{"q", "[A-Z]", false}, LikeCase{"5", "[!0-9]", false},
        LikeCase{"X", "[!0-9]", true}, LikeCase{"", "[!0-9]", false},  // still needs one character
        LikeCase{"-", "[-a]", true}, LikeCase{"a", "[-a]", true}, LikeCase{"-", "[a-]", true},
        LikeCase{"b", "[a-]", false}, LikeCase{"b", "[a-c]", true}, LikeCase{"-", "[a-c]", false},
        LikeCase{"5", "[A-C0-9]", true}, LikeCase{"D", "[A-C0-9]", false},
        LikeCase{"M", "[AMZ]", true}, LikeCase{"B", "[AMZ]", false}, LikeCase{"A", "[A-A]", true},
        LikeCase{"AB", "A[]B", true}, LikeCase{"A", "[]", false}, LikeCase{"", "[]", true},
        LikeCase{"*", "[*]", true},  // wildcard characters are plain in a list
        LikeCase{"X", "[*]", false}, LikeCase{"?", "[?]", true}, LikeCase{"[", "[[]", true},
        LikeCase{"]", "]", true}, LikeCase{"!", "[!]", true},  // negated empty list: any one char
        LikeCase{"é", "[à-ü]", true}, LikeCase{"é", "?", true}));

struct BadPatternCase {
  const char* pattern;
  const char* message_part;
};

class LikeInvalidTable : public testing::TestWithParam<BadPatternCase> {};

TEST_P(LikeInvalidTable, ThrowsForEveryValue) {
  for (const char* value : {"", "A", "zzz", "[A"}) {
    try {
      (void)Like(value, GetParam().pattern);
      ADD_FAILURE() << "no PatternError for value \"" << value << "\"";
    } catch (const PatternError& e) {
      EXPECT_NE(std::string(e.what()).find(GetParam().message_part), std::string::npos) << e.what();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Errors, LikeInvalidTable,
    testing::Values(  //
        BadPatternCase{"AB[CD", "'[' at character 3 has no closing ']'"},
        BadPatternCase{"[", "'[' at character 1"}, BadPatternCase{"X[]]Y[", "'[' at character 6"},
        BadPatternCase{"[Z-A]", "range 'Z-A'"},
        BadPatternCase{"[a-Z]", "range 'a-Z'"},  // ordinal: lower case sorts after
        BadPatternCase{"Z*[!0-9b-a]", "range 'b-a'"}, BadPatternCase{"[ü-a]", "range 'ü-a'"}));

// --- Val ---------------------------------------------------------------------

struct ValCase {
  const char* text;
  double value;
};

void PrintTo(const ValCase& c, std::ostream* os) { *os << "Val(\"" << c.text << "\")"; }

class ValTable : public testing::TestWithParam<ValCase> {};

TEST_P(ValTable, Reads) {
  const double got = Val(GetParam().text);
  if (std::isinf(GetParam().value)) {
    EXPECT_EQ(got, GetParam().value);
  } else {
    EXPECT_DOUBLE_EQ(got, GetParam().value);
  }
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(Numbers, ValTable,
                         testing::Values(  //
                             ValCase{" 12.5abc", 12.5}, ValCase{"-3e2", -300}, ValCase{"1D2", 100},
                             ValCase{"1d-2", 0.01}, ValCase{".", 0}, ValCase{"", 0},
                             ValCase{"+.5", 0.5}, ValCase{"1.2.3", 1.2}, ValCase{"-", 0},
                             ValCase{"1e", 1}, ValCase{"1e+", 1}, ValCase{"1E2E3", 100},
                             ValCase{" \t\n7", 7}, ValCase{"\r7", 0}, ValCase{"12 34", 12},
                             ValCase{"--1", 0}, ValCase{"1,5", 1}, ValCase{"5.", 5},
                             ValCase{"007", 7}, ValCase{"-.25", -0.25}));

INSTANTIATE_TEST_SUITE_P(NotNumbers, ValTable,
                         testing::Values(  //
                             ValCase{"abc", 0}, ValCase{"inf", 0}, ValCase{"nan", 0},
                             ValCase{"0x1A", 0}, ValCase{"e5", 0}, ValCase{".e5", 0},
                             ValCase{"\xFF"
                                     "5",
                                     0}));

INSTANTIATE_TEST_SUITE_P(Extremes, ValTable,
                         testing::Values(  //
                             ValCase{"1e400", kInf}, ValCase{"-1e400", -kInf}, ValCase{"1e-400", 0},
                             ValCase{"1e99999999999999999999999", kInf},
                             ValCase{"0e99999999999999999999999", 0}));

TEST(ValTest, ReadsOnlyTheGivenView) {
  // The view stops before "5"; reading on would give 15.
  const std::string text = "15";
  EXPECT_EQ(Val(std::string_view(text).substr(0, 1)), 1);
}

}  // namespace
}  // namespace quarvel::sink
