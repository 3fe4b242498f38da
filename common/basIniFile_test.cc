#include "common/basIniFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/IniFileTest_test_support.h"

namespace quarvel {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

constexpr std::string_view kDefault = "<default>";

std::string Repeat(std::string_view unit, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += unit;
  return out;
}

// ---------------------------------------------------------------------------
// Reading

struct ReadCase {
  const char* name;
  std::string text;
  std::string section, key;
  std::string expected;
  friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
};

class ReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadTest, ReadsAsTheProfileFunctionsDo) {
  const ReadCase& c = GetParam();
  EXPECT_EQ(IniSnapshot::Parse(c.text).Read(c.section, c.key, kDefault), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ReadTest,
    ::testing::Values(
        ReadCase{"IgnoreCase", "[Quarvel RuleSet1]\nAction1=delete\n", "quarvel RULESET1",
                 "aCTION1", "delete"},
        ReadCase{"IgnoreNonAsciiCase", "[Ärger]\nÖl=1\n", "äRGER", "öL", "1"},
        ReadCase{"BlanksAroundDoNotCount", "  [  Rules  ]  \n   Key   =v\n", " rules", "key  ",
                 "v"},
        ReadCase{"TabsAroundDoNotCount", "\t[\tRules\t]\n\tKey\t=v\n", "rules\t", "\tkey", "v"},
        ReadCase{"HandEditedRule", "[Quarvel RuleSet1]\n  ConditionHeader1  =\tX-Spam-Flag\t\n",
                 "Quarvel RuleSet1", "ConditionHeader1", "X-Spam-Flag"},
        ReadCase{"TabInsideNameStays", "[s]\na\tb=v\n", "s", "a b", "<default>"},
        ReadCase{"KeyIsTextBeforeFirstEquals", "[s]\na=b=c\n", "s", "a", "b=c"},
        ReadCase{"LineWithoutEqualsIsNoKey", "[s]\nk\nk2=v\n", "s", "k", "<default>"},
        ReadCase{"HeaderEndsAtFirstBracket", "[a]b]\nk=v\n", "a", "k", "v"},
        ReadCase{"UnclosedBracketIsNoHeader", "[s]\n[t\nk=v\n", "s", "k", "v"},
        ReadCase{"KeysBeforeFirstHeaderBelongNowhere", "k=v\n[s]\n", "s", "k", "<default>"},
        ReadCase{"NonAsciiNameFoldsToAscii", "[\u212Aey]\nk=v\n", "KEY", "k", "v"},
        ReadCase{"InvalidBytesInNames", "[s\xFF]\nk\xFE=v\x80\n", "S\xFF", "K\xFE", "v\x80"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Values, ReadTest,
    ::testing::Values(ReadCase{"Trimmed", "[s]\nk=  a b  \n", "s", "k", "a b"},
                      ReadCase{"TabsTrimmed", "[s]\nk=\t a\tb \t\n", "s", "k", "a\tb"},
                      ReadCase{"QuotesInsideTabs", "[s]\nk=\t\" a \"\t\n", "s", "k", " a "},
                      ReadCase{"Empty", "[s]\nk=\n", "s", "k", ""},
                      ReadCase{"NoInlineComment", "[s]\nk=v ; note\n", "s", "k", "v ; note"},
                      ReadCase{"DoubleQuotesStripped", "[s]\nk= \"a b \" \n", "s", "k", "a b "},
                      ReadCase{"SingleQuotesStripped", "[s]\nk='x'\n", "s", "k", "x"},
                      ReadCase{"MismatchedQuotesKept", "[s]\nk=\"x'\n", "s", "k", "\"x'"},
                      ReadCase{"LoneQuoteKept", "[s]\nk=\"\n", "s", "k", "\""},
                      ReadCase{"OnePairStripped", "[s]\nk=\"\"x\"\"\n", "s", "k", "\"x\""},
                      ReadCase{"NulKept", "[s]\nk=a\0b\n"s, "s", "k", "a\0b"s}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Files, ReadTest,
    ::testing::Values(ReadCase{"DuplicateKeyFirstWins", "[s]\nk=1\nK = 2\n", "s", "k", "1"},
                      ReadCase{"DuplicateSectionFirstWins", "[s]\nk=1\n[S]\nk=2\n", "s", "k", "1"},
                      ReadCase{"LaterDuplicateSectionUnseen", "[s]\na=1\n[s]\nb=2\n", "s", "b",
                               "<default>"},
                      ReadCase{"MissingSection", "[s]\nk=v\n", "t", "k", "<default>"},
                      ReadCase{"MissingKey", "[s]\nk=v\n[t]\nx=1\n", "s", "x", "<default>"},
                      ReadCase{"Crlf", "[s]\r\nk=v\r\nq=\"w\"\r\n", "s", "q", "w"},
                      ReadCase{"CrlfTrimmedValue", "[s]\r\nk=v  \r\n", "s", "k", "v"},
                      ReadCase{"LoneCrEndsALine", "[s]\rk=v\rq=w\r", "s", "q", "w"},
                      ReadCase{"LoneCrEndsAValue", "[s]\rk=v\rq=w", "s", "k", "v"},
                      ReadCase{"LoneCrEndsAHeader", "[a]\rk=1\r[s]\rk=2", "s", "k", "2"},
                      ReadCase{"CrBeforeCrlf", "[s]\nk=v\r\r\nq=w\n", "s", "q", "w"},
                      ReadCase{"LoneCrEndsALongLine",
                               "[s]\nk=" + Repeat("x", 40) + "\rq=" + Repeat("y", 40) + "\n", "s",
                               "q", Repeat("y", 40)},
                      ReadCase{"NoFinalNewline", "[s]\nk=v", "s", "k", "v"},
                      ReadCase{"ByteOrderMark", "\uFEFF[s]\nk=v\n", "s", "k", "v"}),
    [](const auto& info) { return info.param.name; });

struct CutCase {
  const char* name;
  std::string value;  // as written in the file
  std::string expected;
  friend void PrintTo(const CutCase& c, std::ostream* os) { *os << c.name; }
};

class CutTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutTest, ReturnsAtMost2047Characters) {
  const CutCase& c = GetParam();
  EXPECT_EQ(IniSnapshot::Parse("[s]\nk=" + c.value + "\n").Read("s", "k"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CutTest,
    ::testing::Values(
        CutCase{"AsciiExact", Repeat("a", 2047), Repeat("a", 2047)},
        CutCase{"AsciiLong", Repeat("a", 2048), Repeat("a", 2047)},
        CutCase{"FourByteChars", Repeat("😀", 2100), Repeat("😀", 2047)},
        CutCase{"CutAfterMultiByteChar", Repeat("a", 2046) + "€xyz", Repeat("a", 2046) + "€"},
        CutCase{"InvalidBytesCountOne", Repeat("\xFF", 2100), Repeat("\xFF", 2047)},
        CutCase{"AfterUnquoting", "\"" + Repeat("b", 2047) + "\"", Repeat("b", 2047)}),
    [](const auto& info) { return info.param.name; });

TEST(IniSnapshotTest, LongDefaultIsCutToo) {
  EXPECT_EQ(IniSnapshot::Parse("").Read("s", "k", Repeat("é", 3000)), Repeat("é", 2047));
}

TEST(IniSnapshotTest, EntriesListsFirstSectionInFileOrder) {
  const IniSnapshot ini = IniSnapshot::Parse(
      "k=before\n[Other]\nx=1\n[ Rules ]\n Target2 = ' b '\nnote\nAction1=delete\ntarget2=dup\n"
      "[Empty]\n[rules]\nlater=1\n");
  const auto* entries = ini.Entries("RULES");
  ASSERT_NE(entries, nullptr);
  const std::vector<std::pair<std::string_view, std::string_view>> expected = {
      {"Target2", " b "}, {"Action1", "delete"}, {"target2", "dup"}};
  EXPECT_EQ(std::vector(entries->begin(), entries->end()), expected);
  EXPECT_EQ(ini.Entries("missing"), nullptr);
  ASSERT_NE(ini.Entries("empty"), nullptr);
  EXPECT_TRUE(ini.Entries("empty")->empty());
}

TEST(IniSnapshotTest, EntriesOutliveSourceTextAndOriginalSnapshot) {
  std::optional<IniSnapshot> copy;
  {
    std::string text = "[s]\nk=v\n";  // short enough to sit inside the string object
    const IniSnapshot original = IniSnapshot::Parse(text);
    text.assign(text.size(), '#');
    copy = original;
  }
  IniSnapshot moved = std::move(*copy);
  copy.reset();
  ASSERT_NE(moved.Entries("s"), nullptr);
  EXPECT_EQ(moved.Entries("s")->front().second, "v");
  EXPECT_EQ(moved.Read("s", "k"), "v");
}

TEST(IniSnapshotTest, LargeRuleSectionParsesCompletely) {
  std::string text = "[Quarvel PickupDir]\nPath=C:\\Pickup\n[Quarvel RuleSet1]\n";
  for (int i = 1; i <= 1000; ++i) {
    const std::string n = std::to_string(i);
    text += "ConditionHeader" + n + "=Subject\nConditionValue" + n + "={*}pills " + n +
            "{*}\nAction" + n + "=move to\nTarget" + n + "=/Public/Junk " + n +
            "\nTargetDisplayName" + n + "=Junk\n";
  }
  const IniSnapshot ini = IniSnapshot::Parse(text);
  const auto* entries = ini.Entries("Quarvel RuleSet1");
  ASSERT_NE(entries, nullptr);
  ASSERT_EQ(entries->size(), 5000u);
  EXPECT_EQ((*entries)[4998],
            std::make_pair(std::string_view("Target1000"), std::string_view("/Public/Junk 1000")));
  EXPECT_EQ(ini.Read("quarvel pickupdir", "path"), "C:\\Pickup");
}

// ---------------------------------------------------------------------------
// Files

using testing::IniFileTest;

// The sink loads the same file at every save: an unchanged file keeps its
// parse, and any change, even one of the same size, is read again.
TEST_F(IniFileTest, ReaderLoadsAgainOnlyWhatChanged) {
  IniReader reader;
  EXPECT_TRUE(reader.Load(path_));  // missing: empty, and parsed once
  EXPECT_FALSE(reader.Load(path_));
  EXPECT_EQ(reader.Entries("s"), nullptr);
  Put("[s]\nk=one\n");
  EXPECT_TRUE(reader.Load(path_));
  EXPECT_EQ(reader.Read("s", "k"), "one");
  const auto* entries = reader.Entries("s");
  EXPECT_FALSE(reader.Load(path_));
  EXPECT_EQ(reader.Entries("s"), entries);
  EXPECT_EQ(reader.Read("s", "k"), "one");
  Put("[s]\nk=two\n");
  EXPECT_TRUE(reader.Load(path_));
  EXPECT_EQ(reader.Read("s", "k"), "two");
  reader.Parse("[s]\nk=three\n");
  EXPECT_EQ(reader.Read("s", "k"), "three");
  EXPECT_TRUE(reader.Load(path_));  // the file differs from the parsed text
  EXPECT_EQ(reader.Read("s", "k"), "two");
  fs::remove(path_);
  EXPECT_TRUE(reader.Load(path_));
  EXPECT_EQ(reader.Read("s", "k", "gone"), "gone");
}

TEST_F(IniFileTest, ReadsFileOrGivesDefault) {
  EXPECT_EQ(ReadIniValue("s", "k", "dflt", path_), "dflt");
  EXPECT_EQ(ReadIniValue("s", "k", "dflt", dir_.string()), "dflt");
  EXPECT_EQ(IniSnapshot::Load(path_).Entries("s"), nullptr);
  Put("[Quarvel PickupDir]\r\nPath = C:\\Pickup\r\n");
  EXPECT_EQ(ReadIniValue("Quarvel PickupDir", "Path", "", path_), "C:\\Pickup");
  EXPECT_EQ(ReadIniValue("Quarvel PickupDir", "Other", "x", path_), "x");
}

}  // namespace
}  // namespace quarvel
