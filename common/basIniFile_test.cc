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

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "quarvel-ini-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    path_ = (dir_ / "Quarvel.ini").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Put(const std::string& content) const { std::ofstream(path_, std::ios::binary) << content; }
  [[nodiscard]] std::string Get() const {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  [[nodiscard]] std::vector<std::string> DirNames() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    return names;
  }

  fs::path dir_;
  std::string path_;
};

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

struct WriteCase {
  const char* name;
  std::string before;
  std::string section, key, value;
  std::string after;
  friend void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }
};

class WriteTest : public IniFileTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteTest, ChangesOnlyWhatItMust) {
  const WriteCase& c = GetParam();
  Put(c.before);
  WriteIniValue(c.section, c.key, c.value, path_);
  EXPECT_EQ(Get(), c.after);
  EXPECT_EQ(ReadIniValue(c.section, c.key, kDefault, path_), c.value);
}

const std::string kCommented =
    "; Quarvel rules\n"
    "[Quarvel PickupDir]\n"
    "  PATH = C:\\old ; not a comment  \n"
    "\n"
    "[Quarvel RuleSet1]\n"
    "Action1=delete\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteTest,
    ::testing::Values(
        WriteCase{"InPlaceKeepsSpellingAndComments", kCommented, "quarvel pickupdir", "Path",
                  "C:\\new",
                  "; Quarvel rules\n[Quarvel PickupDir]\n  PATH = C:\\new\n\n[Quarvel RuleSet1]\n"
                  "Action1=delete\n"},
        WriteCase{"InPlaceFirstDuplicateOnly", "[s]\nk=1\nK=2\n[S]\nk=3\n", "s", "k", "9",
                  "[s]\nk=9\nK=2\n[S]\nk=3\n"},
        WriteCase{"AppendsAfterLastKeyOfMiddleSection",
                  "[a]\nx=1\n\n[b]\ny=2\n; about b\n\n[c]\nz=3\n", "B", "New", "v",
                  "[a]\nx=1\n\n[b]\ny=2\nNew=v\n; about b\n\n[c]\nz=3\n"},
        WriteCase{"AppendsAfterHeaderOfSectionWithoutKeys", "[a]\n; nothing yet\n[b]\n", "a", "k",
                  "v", "[a]\nk=v\n; nothing yet\n[b]\n"},
        WriteCase{"AppendsToFirstOfDuplicateSections", "[s]\na=1\n[s]\nb=2\n", "s", "b", "9",
                  "[s]\na=1\nb=9\n[s]\nb=2\n"},
        WriteCase{"AppendsKeyToLastLineWithoutNewline", "[a]\nx=1", "a", "y", "2",
                  "[a]\nx=1\ny=2\n"},
        WriteCase{"AppendsSection", "; top\n[a]\nx=1\n", "b", "k", "v",
                  "; top\n[a]\nx=1\n[b]\nk=v\n"},
        WriteCase{"CreatesFile", "", "s", "k", "v", "[s]\nk=v\n"},
        WriteCase{"TrimsNewNames", "", " s ", " k ", "v", "[s]\nk=v\n"},
        WriteCase{"CrlfInPlace", "[a]\r\nx=1\r\n", "a", "x", "2", "[a]\r\nx=2\r\n"},
        WriteCase{"CrlfAppendsKey", "[a]\r\nx=1\r\n[b]\r\n", "a", "y", "2",
                  "[a]\r\nx=1\r\ny=2\r\n[b]\r\n"},
        WriteCase{"CrlfAppendsSection", "[a]\r\nx=1", "b", "k", "v",
                  "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
        WriteCase{"FirstLineDecidesLineEnd", "[a]\nx=1\r\n", "b", "k", "v",
                  "[a]\nx=1\r\n[b]\nk=v\n"},
        // A writer finds the key a reader finds, however the lines end.
        WriteCase{"LoneCrInPlace", "[a]\rx=1\ry=2", "a", "y", "3", "[a]\rx=1\ry=3"},
        WriteCase{"LoneCrAppendsKey", "[a]\rx=1\r[b]\r", "a", "y", "2", "[a]\rx=1\ry=2\r[b]\r"},
        WriteCase{"TabsAroundNameInPlace", "[a]\n\tx\t=\t1\n", "a", "x", "2", "[a]\n\tx\t=\t2\n"},
        WriteCase{"KeepsByteOrderMark", "\uFEFF[a]\nx=1\n", "A", "x", "2", "\uFEFF[a]\nx=2\n"},
        WriteCase{"KeepsInvalidBytes", "[a\xFF]\nk\xFE=\x80\n; \xC3\n", "A\xFF", "K\xFE", "\x81",
                  "[a\xFF]\nk\xFE=\x81\n; \xC3\n"}),
    [](const auto& info) { return info.param.name; });

TEST_F(IniFileTest, DeleteRemovesEverySectionOfThatName) {
  Put("k=0\n[a]\n1=1\n; about a\n[b]\n2=2\n\n[ A ]\n3=3\n[c]\n4=4\n[a]");
  DeleteIniSection("A", path_);
  EXPECT_EQ(Get(), "k=0\n[b]\n2=2\n\n[c]\n4=4\n");
}

TEST_F(IniFileTest, DeleteOfMissingSectionChangesNothing) {
  DeleteIniSection("a", path_);
  EXPECT_FALSE(fs::exists(path_));
  Put("[b]\r\nx=1");
  DeleteIniSection("a", path_);
  EXPECT_EQ(Get(), "[b]\r\nx=1");
}

struct RefusedCase {
  const char* name;
  std::string section, key, value;
  friend void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }
};

class RefusedWriteTest : public IniFileTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedWriteTest, ThrowsAndLeavesFileUnchanged) {
  const RefusedCase& c = GetParam();
  const std::string before = "[s]\nk=v\n";
  Put(before);
  EXPECT_THROW(WriteIniValue(c.section, c.key, c.value, path_), IniError);
  IniBatch batch(path_);
  batch.Write("s", "k", "changed");
  EXPECT_THROW(batch.Write(c.section, c.key, c.value), IniError);
  EXPECT_EQ(Get(), before);
  EXPECT_EQ(DirNames(), std::vector<std::string>{"Quarvel.ini"});
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedWriteTest,
                         ::testing::Values(RefusedCase{"LfInValue", "s", "k", "v\n[evil]"},
                                           RefusedCase{"CrInValue", "s", "k", "v\r"},
                                           RefusedCase{"LfInKey", "s", "k\nx", "v"},
                                           RefusedCase{"CrInSection", "s\r", "k", "v"},
                                           RefusedCase{"EmptySection", "", "k", "v"},
                                           RefusedCase{"BracketInSection", "a]b", "k", "v"},
                                           RefusedCase{"EmptyKey", "s", " ", "v"},
                                           RefusedCase{"EqualsInKey", "s", "a=b", "v"},
                                           RefusedCase{"KeyLikeHeader", "s", " [x]", "v"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(IniFileTest, DeleteRefusesBadSectionNames) {
  Put("[s]\nk=v\n");
  EXPECT_THROW(DeleteIniSection("s\n", path_), IniError);
  EXPECT_THROW(DeleteIniSection(" ", path_), IniError);
  EXPECT_THROW(IniBatch(path_).DeleteSection("\r"), IniError);
  EXPECT_EQ(Get(), "[s]\nk=v\n");
}

TEST_F(IniFileTest, BatchAppliesChangesInOrderOnCommit) {
  Put("; rules\n[keep]\nk=1\n[old]\nx=1\n");
  IniBatch batch(path_);
  batch.Write("new", "a", "1")
      .Write("new", "b", "2")
      .Write("keep", "k", "2")
      .DeleteSection("old")
      .Write("old", "y", "3")
      .Write("NEW", "A", "9")
      .DeleteSection("gone");
  EXPECT_EQ(Get(), "; rules\n[keep]\nk=1\n[old]\nx=1\n");
  batch.Commit();
  EXPECT_EQ(Get(), "; rules\n[keep]\nk=2\n[new]\na=9\nb=2\n[old]\ny=3\n");
  Put("[other]\n");
  batch.Commit();  // nothing left to apply
  EXPECT_EQ(Get(), "[other]\n");
}

class RoundTripTest : public IniFileTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(RoundTripTest, ReadsBackWhatWasWritten) {
  Put("[Rules]\nValue=old\n");
  const std::string& value = GetParam();
  WriteIniValue("Rules", "Value", value, path_);
  WriteIniValue("Rules", "Fresh", value, path_);
  WriteIniValue("Other", "Key", value, path_);
  EXPECT_EQ(ReadIniValue("Rules", "Value", kDefault, path_), value);
  EXPECT_EQ(ReadIniValue("Rules", "Fresh", kDefault, path_), value);
  EXPECT_EQ(ReadIniValue("Other", "Key", kDefault, path_), value);
}

INSTANTIATE_TEST_SUITE_P(Values, RoundTripTest,
                         ::testing::Values("plain", "a = b", "tab\tinside", "ünï €",
                                           "bad\xFF\xFE bytes \xC3", "x\"", "'x", "\"x'", "[x]",
                                           "; comment-like", "%USER%", "a\0b"s, "",
                                           Repeat("€", 2047)));

TEST_F(IniFileTest, NamesRoundTrip) {
  const std::vector<std::string> names = {
      "Quarvel RuleSet1", "Ärger €", "bad\xFF\xFE\xC3", "a[b", "tab\there", ";x", "\"q\""};
  IniBatch batch(path_);
  for (const std::string& name : names) batch.Write(name, name, "v " + name);
  batch.Commit();
  const IniSnapshot ini = IniSnapshot::Load(path_);
  for (const std::string& name : names) EXPECT_EQ(ini.Read(name, name), "v " + name) << name;
}

TEST_F(IniFileTest, WriteKeepsPermissions) {
  Put("[s]\nk=v\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  WriteIniValue("s", "k", "w", path_);
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(IniFileTest, WriteThroughSymbolicLinkUpdatesItsTarget) {
  const std::string real = (dir_ / "real.ini").string();
  std::ofstream(real) << "[s]\nk=1\n";
  fs::create_symlink("real.ini", path_);
  WriteIniValue("s", "k", "2", path_);
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(Get(), "[s]\nk=2\n");
}

TEST_F(IniFileTest, WriteReplacesTheFileInsteadOfRewritingIt) {
  Put("[s]\nk=old\n");
  const int fd = ::open(path_.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  WriteIniValue("s", "k", "new", path_);
  char buf[64] = {};
  const ssize_t n = ::pread(fd, buf, sizeof buf, 0);
  ::close(fd);
  EXPECT_EQ(std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0), "[s]\nk=old\n");
  EXPECT_EQ(Get(), "[s]\nk=new\n");
  EXPECT_EQ(DirNames(), std::vector<std::string>{"Quarvel.ini"});
}

TEST_F(IniFileTest, FailedWriteThrowsNamingTheFile) {
  const std::string inDirectory = (dir_ / "sub").string();
  fs::create_directory(inDirectory);  // a directory where the file should be
  const std::string inMissing = (dir_ / "missing" / "Quarvel.ini").string();
  for (const std::string& target : {inDirectory, inMissing}) {
    try {
      IniBatch(target).Write("s", "k", "v").Commit();
      ADD_FAILURE() << "no IniError for " << target;
    } catch (const IniError& e) {
      EXPECT_NE(std::string(e.what()).find(target), std::string::npos) << e.what();
    }
    EXPECT_THROW(WriteIniValue("s", "k", "v", target), IniError);
  }
  EXPECT_EQ(DirNames(), std::vector<std::string>{"sub"});
  EXPECT_TRUE(fs::is_empty(inDirectory));
}

}  // namespace
}  // namespace quarvel
