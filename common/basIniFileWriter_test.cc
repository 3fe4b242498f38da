#include "common/basIniFileWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/FailingFileWriter.h"
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
// Writing

using testing::IniFileTest;

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

// Renaming over a file needs only the directory's permission (and root needs
// none), so a read-only file would be replaced behind its owner's back.
TEST_F(IniFileTest, ReadOnlyFileIsRefusedAndKeptUnlessNothingChanges) {
  Put("[s]\nk=old\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  EXPECT_THROW(WriteIniValue("s", "k", "new", path_), IniError);
  EXPECT_THROW(DeleteIniSection("s", path_), IniError);
  EXPECT_THROW(IniBatch(path_).Write("s", "k", "new").Commit(), IniError);
  EXPECT_EQ(Get(), "[s]\nk=old\n");
  EXPECT_EQ(DirNames(), std::vector<std::string>{"Quarvel.ini"});
  WriteIniValue("s", "k", "old", path_);  // nothing to write, nothing refused
  ASSERT_EQ(::chmod(path_.c_str(), 0644), 0);
  WriteIniValue("s", "k", "new", path_);
  EXPECT_EQ(Get(), "[s]\nk=new\n");
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

struct FailedStepCase {
  FileWriteStep step;
  const char* message;
};

// Each failing step of the file write: the old file stays whole, the error
// says what failed, and the batch keeps its changes for the next commit.
TEST_F(IniFileTest, FailedFileWriteKeepsTheFileAndTheBatch) {
  const FailedStepCase cases[] = {
      {FileWriteStep::kCreate, "cannot create temporary file"},
      {FileWriteStep::kPermissions, "cannot set permissions"},
      {FileWriteStep::kWrite, "cannot write temporary file"},
      {FileWriteStep::kFlush, "cannot flush temporary file"},
      {FileWriteStep::kClose, "cannot close temporary file"},
      {FileWriteStep::kName, "cannot replace the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    Put("[s]\nk=old\n");
    FailingFileWriter files(SystemFiles(), 1, c.step, ENOSPC);
    IniBatch batch(path_, files);
    batch.Write("s", "k", "new");
    try {
      batch.Commit();
      ADD_FAILURE() << "the failed write was taken for success";
    } catch (const IniError& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find(path_), std::string::npos) << what;
      EXPECT_NE(what.find(c.message), std::string::npos) << what;
      EXPECT_NE(what.find(std::strerror(ENOSPC)), std::string::npos) << what;
    }
    EXPECT_EQ(Get(), "[s]\nk=old\n");
    batch.Commit();
    EXPECT_EQ(Get(), "[s]\nk=new\n");
    EXPECT_EQ(files.Calls(), 2);
  }
}

}  // namespace
}  // namespace quarvel
