#include "common/Text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace quarvel::text {
namespace {

constexpr std::size_t npos = std::string::npos;

// Valid text is written as UTF-8; hex escapes are invalid bytes. U+212A KELVIN
// SIGN folds to "k" but takes three bytes, which misaligns byte offsets.

struct DecodeCase {
  const char* name;
  std::string utf8;
  std::u32string chars;
  friend void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, DecodesAndEncodesBackByteForByte) {
  const DecodeCase& c = GetParam();
  EXPECT_EQ(DecodeUtf8(c.utf8), c.chars);
  EXPECT_EQ(EncodeUtf8(c.chars), c.utf8);
  EXPECT_EQ(CharCount(c.utf8), c.chars.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeTest,
    ::testing::Values(DecodeCase{"AllLengths", "Aé€😀", U"Aé€😀"},
                      DecodeCase{"LargestCodePoint", "\U0010FFFF", U"\U0010FFFF"},
                      DecodeCase{"LoneContinuation", "a\x80z", U"a\xDC80z"},
                      DecodeCase{"TruncatedBeforeAscii", "\xF0\x9F\x98x", U"\xDCF0\xDC9F\xDC98x"},
                      DecodeCase{"Overlong", "\xC0\xAF\xE0\x80\xAF",
                                 U"\xDCC0\xDCAF\xDCE0\xDC80\xDCAF"},
                      DecodeCase{"EncodedSurrogate", "\xED\xA0\x80", U"\xDCED\xDCA0\xDC80"},
                      DecodeCase{"BeyondUnicode", "\xF4\x90\x80\x80", U"\xDCF4\xDC90\xDC80\xDC80"},
                      DecodeCase{"NeverValidBytes", "\xFE\xFF\xF5", U"\xDCFE\xDCFF\xDCF5"}),
    [](const auto& info) { return info.param.name; });

TEST(EncodeUtf8Test, UnrepresentableCharactersBecomeReplacementCharacter) {
  EXPECT_EQ(EncodeUtf8(U"a\xD800!"), "a\uFFFD!");
  EXPECT_EQ(EncodeUtf8(std::u32string(1, char32_t{0x110000})), "\uFFFD");
}

TEST(TrimTest, RemovesSpacesOnlyAtBothEnds) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\t a \t"), "\t a \t");
  EXPECT_EQ(Trim(" \ta\t "), "\ta\t");
  EXPECT_EQ(Trim("    "), "");
  EXPECT_EQ(TrimView(" \ta "), "\ta");
}

struct CaseMapping {
  const char* name;
  std::string in, out;
  friend void PrintTo(const CaseMapping& c, std::ostream* os) { *os << c.name; }
};

class UpperCaseTest : public ::testing::TestWithParam<CaseMapping> {};

TEST_P(UpperCaseTest, UpperCases) { EXPECT_EQ(UpperCase(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(
    Cases, UpperCaseTest,
    ::testing::Values(CaseMapping{"Ascii", "Buy cheap {*} now!", "BUY CHEAP {*} NOW!"},
                      CaseMapping{"SharpSBecomesTwoLetters", "straße", "STRASSE"},
                      CaseMapping{"Ligature", "ﬁne", "FINE"},
                      CaseMapping{"RootLocaleDottedI", "i", "I"},
                      CaseMapping{"InvalidBytesKept", "a\xFFé\x80ß\xC3", "A\xFFÉ\x80SS\xC3"},
                      CaseMapping{"OnlyInvalidBytes", "\x80\xFE", "\x80\xFE"}),
    [](const auto& info) { return info.param.name; });

struct EqualsCase {
  const char* name;
  std::string a, b;
  bool equal;
  friend void PrintTo(const EqualsCase& c, std::ostream* os) { *os << c.name; }
};

class EqualsIgnoreCaseTest : public ::testing::TestWithParam<EqualsCase> {};

TEST_P(EqualsIgnoreCaseTest, ComparesBySimpleFolding) {
  const EqualsCase& c = GetParam();
  EXPECT_EQ(EqualsIgnoreCase(c.a, c.b), c.equal);
  EXPECT_EQ(EqualsIgnoreCase(c.b, c.a), c.equal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EqualsIgnoreCaseTest,
    ::testing::Values(EqualsCase{"Ascii", "Quarvel RuleSet1", "QUARVEL ruleset1", true},
                      EqualsCase{"Prefix", "Action", "Action1", false},
                      EqualsCase{"LongAsciiMismatchLate", "[SPAM] cheap pills",
                                 "[spam] CHEAP PILLZ", false},
                      EqualsCase{"NonLettersDifferingInCaseBit", "[ab]@xy^", "{AB}`XY~", false},
                      EqualsCase{"AsciiWordThenUmlaut", "Rule set Ärger", "RULE SET äRGER", true},
                      EqualsCase{"Umlaut", "Ärger", "äRGER", true},
                      EqualsCase{"KelvinSign", "\u212AB", "kb", true},
                      EqualsCase{"SharpSIsNotTwoLetters", "straße", "STRASSE", false},
                      EqualsCase{"SameInvalidByte", "a\xFF", "A\xFF", true},
                      EqualsCase{"OtherInvalidByte", "a\xFF", "a\xFE", false},
                      EqualsCase{"InvalidByteIsNotItsLatin1Letter", "\xC4", "Ä", false}),
    [](const auto& info) { return info.param.name; });

TEST(StartsWithIgnoreCaseTest, MatchesPrefixesAcrossByteLengths) {
  EXPECT_TRUE(StartsWithIgnoreCase("[SPAM] cheap", "[spam]"));
  EXPECT_TRUE(StartsWithIgnoreCase("anything", ""));
  EXPECT_TRUE(StartsWithIgnoreCase("\u212Ailo", "KI"));
  EXPECT_TRUE(StartsWithIgnoreCase("Été", "éT"));
  EXPECT_FALSE(StartsWithIgnoreCase("spa", "spam"));
  EXPECT_FALSE(StartsWithIgnoreCase("é", "\xC3"));  // part of a character is no prefix
}

TEST(PrefixLengthIgnoreCaseTest, CountsBytesOfText) {
  EXPECT_EQ(PrefixLengthIgnoreCase("\u212Ailo x", "KILO"), 6u);
  EXPECT_EQ(PrefixLengthIgnoreCase("kilo", "\u212AILO"), 4u);
  EXPECT_EQ(PrefixLengthIgnoreCase("Subject: spam", "SUBJECT"), 7u);
  EXPECT_EQ(PrefixLengthIgnoreCase("Subj", "Subject"), npos);
}

TEST(IsAsciiTest, LooksAtEveryByte) {
  EXPECT_TRUE(IsAscii(""));
  EXPECT_TRUE(IsAscii("seventeen bytes!!"));
  EXPECT_FALSE(IsAscii("eight b\x80"));
  EXPECT_FALSE(IsAscii("sixteen bytes...\xFF"));
}

struct FindCase {
  const char* name;
  std::string haystack, needle;
  std::size_t from, found;
  friend void PrintTo(const FindCase& c, std::ostream* os) { *os << c.name; }
};

class FindIgnoreCaseTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindIgnoreCaseTest, ReturnsByteOffset) {
  const FindCase& c = GetParam();
  EXPECT_EQ(FindIgnoreCase(c.haystack, c.needle, c.from), c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindIgnoreCaseTest,
    ::testing::Values(FindCase{"Ascii", "Buy VIAGRA now", "viagra", 0, 4},
                      FindCase{"AfterMultiByteCharacters", "Grüße ÜBER alles", "über", 0, 8},
                      FindCase{"NeedleOfOtherByteLength", "x\u212AILO", "kilo", 0, 1},
                      FindCase{"HaystackOfOtherByteLength", "a kilo", "\u212Ailo", 0, 2},
                      FindCase{"FromSkipsEarlierMatch", "spam Spam SPAM", "spam", 1, 5},
                      FindCase{"Missing", "ham", "spam", 0, npos},
                      FindCase{"EmptyNeedleAtFrom", "abc", "", 2, 2},
                      FindCase{"FromBeyondEnd", "abc", "", 4, npos},
                      FindCase{"InvalidBytesMatchThemselves", "a\xFFx\xFEy", "\xFEY", 0, 3},
                      FindCase{"NoMatchInsideACharacter", "é", "\xA9", 0, npos}),
    [](const auto& info) { return info.param.name; });

TEST(ReplaceIgnoreCaseTest, ReplacesEveryOccurrence) {
  EXPECT_EQ(ReplaceIgnoreCase("Spam, SPAM and spam", "spam", "ham"), "ham, ham and ham");
  EXPECT_EQ(ReplaceIgnoreCase("aaa", "AA", "b"), "ba");
  EXPECT_EQ(ReplaceIgnoreCase("1\u212Am 2km", "KM", "k"), "1k 2k");
  EXPECT_EQ(ReplaceIgnoreCase("Über über", "üBER", "x"), "x x");
  EXPECT_EQ(ReplaceIgnoreCase("a\xFF!", "\xFF", "-"), "a-!");
  EXPECT_EQ(ReplaceIgnoreCase("abc", "", "x"), "abc");
}

TEST(ReplaceAllTest, ReplacesExactOccurrencesOnly) {
  EXPECT_EQ(ReplaceAll("a.b.c", ".", "\\."), "a\\.b\\.c");
  EXPECT_EQ(ReplaceAll("Spam spam", "spam", "ham"), "Spam ham");
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

// ASCII folding leaves every byte but A to Z alone: no Unicode rule may let
// a lookalike ("K" Kelvin sign, a long s) pass for an ASCII keyword.
TEST(AsciiFoldTest, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(AsciiLowerCase("X-Sender: AZaz@[\\]^`{"), "x-sender: azaz@[\\]^`{");
  EXPECT_EQ(AsciiLowerCase("\xE2\x84\xAA\xC3\x84\xFF"), "\xE2\x84\xAA\xC3\x84\xFF");
  EXPECT_TRUE(EqualsAsciiIgnoreCase("Content-TYPE", "content-type"));
  EXPECT_FALSE(EqualsAsciiIgnoreCase("k", "\xE2\x84\xAA"));
  EXPECT_FALSE(EqualsAsciiIgnoreCase("ab", "abc"));
  EXPECT_FALSE(EqualsAsciiIgnoreCase("@", "`"));  // 0x40 and 0x60 differ by case's bit only
  EXPECT_TRUE(StartsWithAsciiIgnoreCase("FILE://./x", "file://"));
  EXPECT_FALSE(StartsWithAsciiIgnoreCase("fil", "file"));
  EXPECT_FALSE(StartsWithAsciiIgnoreCase("\xC5\xBFile", "sile"));
}

TEST(EscapeControlCharsTest, EscapesControlBytesOnly) {
  EXPECT_EQ(EscapeControlChars("a\r\nb\tc\x7F"
                               "d"),
            "a\\x0D\\x0Ab\\x09c\\x7F"
            "d");
  EXPECT_EQ(EscapeControlChars(std::string("x\0y", 3)), "x\\x00y");
  EXPECT_EQ(EscapeControlChars("\x1F \xC3\xA4\xFF~"), "\\x1F \xC3\xA4\xFF~");
  EXPECT_EQ(EscapeControlChars("a\nb", "%"), "a%0Ab");
}

}  // namespace
}  // namespace quarvel::text
