#include "common/FileWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "common/FailingFileWriter.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

class FileWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "file_writer.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Put(const std::string& name, const std::string& content) const {
    std::ofstream(dir_ / name, std::ios::binary) << content;
  }
  std::string Get(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Every name in the directory, hidden ones included.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }
  unsigned Mode(const std::string& name) const {
    struct stat st {};
    EXPECT_EQ(::stat(Path(name).c_str(), &st), 0);
    return st.st_mode & 07777;
  }

  FileWriter& files_ = SystemFiles();
  fs::path dir_;
};

TEST_F(FileWriterTest, ReplaceWholeFileCreatesAndReplacesLeavingNothingElse) {
  files_.ReplaceWholeFile(Path("a.ini"), "one", {.mode = 0640});
  EXPECT_EQ(Get("a.ini"), "one");
  EXPECT_EQ(Mode("a.ini"), 0640u);
  files_.ReplaceWholeFile(Path("a.ini"), "two", {.mode = 0600});
  EXPECT_EQ(Get("a.ini"), "two");
  EXPECT_EQ(Mode("a.ini"), 0600u);
  EXPECT_EQ(Names(), std::set<std::string>{"a.ini"});
}

TEST_F(FileWriterTest, WithoutAModeTheUmaskDecides) {
  const mode_t old = ::umask(027);
  files_.ReplaceWholeFile(Path("a"), "x", {});
  ::umask(old);
  EXPECT_EQ(Mode("a"), 0640u);
}

TEST_F(FileWriterTest, FailedReplacementLeavesTheTargetAndNoTemporaryFile) {
  // A directory in the target's place: everything succeeds but the rename.
  fs::create_directory(dir_ / "taken");
  try {
    files_.ReplaceWholeFile(Path("taken"), "x", {});
    FAIL() << "replaced a directory";
  } catch (const FileWriteError& failure) {
    EXPECT_EQ(failure.Step(), FileWriteStep::kName);
    EXPECT_EQ(failure.Error(), EISDIR);
  }
  EXPECT_EQ(Names(), std::set<std::string>{"taken"});

  try {
    files_.ReplaceWholeFile(Path("missing/a"), "x", {});
    FAIL() << "wrote into a missing directory";
  } catch (const FileWriteError& failure) {
    EXPECT_EQ(failure.Step(), FileWriteStep::kCreate);
    EXPECT_EQ(failure.Error(), ENOENT);
  }
}

TEST_F(FileWriterTest, CreateNewFileTakesTheFirstFreeNameAndNeverReplaces) {
  Put("m.eml", "old");
  Put("m~2.eml", "old 2");
  const auto nameFor = [this](int attempt) {
    return Path(attempt == 0 ? "m.eml" : "m~" + std::to_string(attempt + 1) + ".eml");
  };
  EXPECT_EQ(files_.CreateNewFile("new", nameFor, 5, {.mode = 0600}), Path("m~3.eml"));
  EXPECT_EQ(Get("m.eml"), "old");
  EXPECT_EQ(Get("m~2.eml"), "old 2");
  EXPECT_EQ(Get("m~3.eml"), "new");
  EXPECT_EQ(Mode("m~3.eml"), 0600u);

  EXPECT_EQ(files_.CreateNewFile("newer", nameFor, 3, {}), std::nullopt);
  EXPECT_EQ(Names(), (std::set<std::string>{"m.eml", "m~2.eml", "m~3.eml"}));
  EXPECT_EQ(Get("m~3.eml"), "new");
}

TEST_F(FileWriterTest, RenameNoReplaceRefusesATakenName) {
  Put("from", "a");
  Put("to", "b");
  EXPECT_FALSE(files_.RenameNoReplace(Path("from"), Path("to")));
  EXPECT_EQ(Get("from"), "a");
  EXPECT_EQ(Get("to"), "b");

  EXPECT_TRUE(files_.RenameNoReplace(Path("from"), Path("free")));
  EXPECT_EQ(Names(), (std::set<std::string>{"free", "to"}));
  EXPECT_EQ(Get("free"), "a");

  try {
    (void)files_.RenameNoReplace(Path("from"), Path("other"));
    FAIL() << "renamed a missing file";
  } catch (const FileWriteError& failure) {
    EXPECT_EQ(failure.Step(), FileWriteStep::kName);
    EXPECT_EQ(failure.Error(), ENOENT);
  }
}

TEST_F(FileWriterTest, RemoveFileSaysWhetherThereWasOne) {
  Put("a", "x");
  EXPECT_TRUE(files_.RemoveFile(Path("a")));
  EXPECT_FALSE(files_.RemoveFile(Path("a")));
  EXPECT_TRUE(Names().empty());
}

TEST_F(FileWriterTest, FailingWriterFailsOnlyItsCallAndTouchesNothing) {
  FailingFileWriter failing(files_, 2, FileWriteStep::kFlush, ENOSPC);
  failing.ReplaceWholeFile(Path("a"), "1", {});
  try {
    failing.ReplaceWholeFile(Path("a"), "2", {});
    FAIL() << "the second call did not fail";
  } catch (const FileWriteError& failure) {
    EXPECT_EQ(failure.Step(), FileWriteStep::kFlush);
    EXPECT_EQ(failure.Error(), ENOSPC);
  }
  EXPECT_EQ(Get("a"), "1");
  EXPECT_TRUE(failing.RemoveFile(Path("a")));
  EXPECT_EQ(failing.Calls(), 3);
}

}  // namespace
}  // namespace quarvel
