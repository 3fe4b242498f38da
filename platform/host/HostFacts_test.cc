#include "platform/host/HostFacts.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

#include "platform/PlatformError.h"

namespace quarvel::platform::host {
namespace {

namespace fs = std::filesystem;

class HostFactsTest : public ::testing::Test {
 protected:
  HostFactsTest()
      : directory_(fs::temp_directory_path() /
                   ("host_facts_test_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  ~HostFactsTest() override { fs::remove_all(directory_); }

  fs::path File() const { return directory_ / kHostFileName; }
  void Write(const std::string& text) const { std::ofstream(File(), std::ios::binary) << text; }
  std::string Read() const {
    std::ifstream in(File());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path directory_;
};

TEST_F(HostFactsTest, TheSampleReadsBackAndExplainsItself) {
  WriteSampleHostFile(directory_);
  EXPECT_EQ(LoadHostFacts(File()), SampleHostFacts());
  const std::string text = Read();
  for (const char* line :
       {"[Host]\n", "ComputerName=MAIL01\n", "LanGroup=EXAMPLE\n", "UserName=Administrator\n",
        "Platform=2\n", "Version=5.2\n", "Cluster=no\n", "Windows\n; 2000"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  EXPECT_FALSE(fs::exists(File().string() + ".new"));
}

TEST_F(HostFactsTest, FailingLookupsAndAClusterReadBack) {
  const HostFacts facts{"NODE1", "", std::nullopt, std::nullopt, true};
  SaveHostFacts(File(), facts);
  EXPECT_EQ(LoadHostFacts(File()), facts);
}

TEST_F(HostFactsTest, AMissingFileIsNotFound) {
  try {
    (void)LoadHostFacts(File());
    FAIL();
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrNotFound);
    EXPECT_NE(error.Description().find(File().string()), std::string::npos);
  }
}

TEST_F(HostFactsTest, SaveRefusesWhatWouldNotReadBack) {
  for (const HostFacts& facts : {HostFacts{"", "EXAMPLE", "a", {}, false},
                                 HostFacts{"MAIL01\nUserName=root", "EXAMPLE", "a", {}, false},
                                 HostFacts{"MAIL01", " EXAMPLE", "a", {}, false},
                                 HostFacts{"MAIL01", "EXAMPLE", "a\r", {}, false}}) {
    try {
      SaveHostFacts(File(), facts);
      FAIL() << facts.computerName;
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.Number(), kErrInvalidArgument);
    }
    EXPECT_FALSE(fs::exists(File()));
  }
}

struct EditCase {
  const char* name;
  std::string text;
  HostFacts expected;
  friend void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }
};

class HostFactsEditTest : public HostFactsTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(HostFactsEditTest, ReadsWhatAPersonWrote) {
  Write(GetParam().text);
  EXPECT_EQ(LoadHostFacts(File()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostFactsEditTest,
    ::testing::Values(
        EditCase{"Windows2000",
                 "[Host]\nComputerName=MAIL01\nLanGroup=EXAMPLE\nUserName=Administrator\n"
                 "Platform=2\nVersion=5.0\nCluster=no\n",
                 {"MAIL01", "EXAMPLE", "Administrator", OsVersion{2, 5, 0}, false}},
        EditCase{"ClusterNode",
                 "[Host]\nComputerName=NODE1\nVersion=5.2\nCluster=yes\n",
                 {"NODE1", "", std::nullopt, OsVersion{2, 5, 2}, true}},
        EditCase{"YesNoSpellings",
                 "[host]\ncomputername = MAIL01 \nCLUSTER=True\n",
                 {"MAIL01", "", std::nullopt, std::nullopt, true}},
        EditCase{"OtherPlatform",
                 "[Host]\nComputerName=W98\nPlatform=1\nVersion=4.10\n",
                 {"W98", "", std::nullopt, OsVersion{1, 4, 10}, false}},
        EditCase{"EmptyPlatformIsNt",
                 "[Host]\nComputerName=M\nPlatform=\nVersion=6.1\n",
                 {"M", "", std::nullopt, OsVersion{2, 6, 1}, false}},
        EditCase{"QuotedValue",
                 "[Host]\nComputerName=\"MAIL01\"\nUserName='Pat Lee'\n",
                 {"MAIL01", "", "Pat Lee", std::nullopt, false}},
        EditCase{"CommentsAndOtherSections",
                 "; set Version=5.0 for Windows 2000\n[Host]\n; Cluster=yes on a node\n"
                 "ComputerName=MAIL01\r\n\n[Notes]\nAnything=goes\n",
                 {"MAIL01", "", std::nullopt, std::nullopt, false}}));

struct MalformedCase {
  const char* name;
  std::string text;
  std::string why;
  friend void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.name; }
};

class HostFactsMalformedTest : public HostFactsTest,
                               public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(HostFactsMalformedTest, IsAnErrorNamingFileAndKey) {
  Write(GetParam().text);
  try {
    (void)LoadHostFacts(File());
    FAIL();
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrFail);
    EXPECT_EQ(error.Description(), "host facts " + File().string() + ": " + GetParam().why);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostFactsMalformedTest,
    ::testing::Values(
        MalformedCase{"Empty", "", "there is no [Host] section"},
        MalformedCase{"OtherSection", "[Hots]\nComputerName=M\n", "there is no [Host] section"},
        MalformedCase{"NoComputerName", "[Host]\nUserName=a\n", "ComputerName is missing or empty"},
        MalformedCase{"UnknownKey", "[Host]\nComputerName=M\nDomain=EXAMPLE\n",
                      "unknown key \"Domain\" (known: ComputerName, LanGroup, UserName, Platform, "
                      "Version, Cluster)"},
        MalformedCase{"TwiceWithAnotherCase", "[Host]\nComputerName=M\ncomputername=N\n",
                      "the key ComputerName is given twice"},
        MalformedCase{"VersionWithoutMinor", "[Host]\nComputerName=M\nVersion=5\n",
                      "Version must be major.minor, e.g. 5.2, not \"5\""},
        MalformedCase{"VersionThreeParts", "[Host]\nComputerName=M\nVersion=5.2.3790\n",
                      "Version must be major.minor, e.g. 5.2, not \"5.2.3790\""},
        MalformedCase{"VersionNotNumbers", "[Host]\nComputerName=M\nVersion=XP\n",
                      "Version must be major.minor, e.g. 5.2, not \"XP\""},
        MalformedCase{"NegativePlatform", "[Host]\nComputerName=M\nPlatform=-1\n",
                      "Platform must be a whole number, not \"-1\""},
        MalformedCase{"ClusterMaybe", "[Host]\nComputerName=M\nCluster=maybe\n",
                      "Cluster must be yes or no, not \"maybe\""}));

struct WorkstationCase {
  const char* name;
  std::string serverName;
  WorkstationInfo expected;
  friend void PrintTo(const WorkstationCase& c, std::ostream* os) { *os << c.name; }
};

class WorkstationTest : public ::testing::TestWithParam<WorkstationCase> {};

TEST_P(WorkstationTest, OnlyThisComputerAnswers) {
  EXPECT_EQ(AnswerWorkstation(SampleHostFacts(), "MAIL01", GetParam().serverName),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WorkstationTest,
    ::testing::Values(WorkstationCase{"UncName", "\\\\MAIL01", {kNerrSuccess, "EXAMPLE"}},
                      WorkstationCase{"PlainName", "MAIL01", {kNerrSuccess, "EXAMPLE"}},
                      WorkstationCase{"AnyCase", "\\\\mail01", {kNerrSuccess, "EXAMPLE"}},
                      WorkstationCase{"ThisComputer", "", {kNerrSuccess, "EXAMPLE"}},
                      WorkstationCase{"OtherComputer", "\\\\MAIL02", {kErrorBadNetPath, ""}},
                      WorkstationCase{"LongerName", "\\\\MAIL011", {kErrorBadNetPath, ""}},
                      WorkstationCase{"OneBackslash", "\\MAIL01", {kErrorBadNetPath, ""}},
                      WorkstationCase{"OnlyBackslashes", "\\\\", {kErrorBadNetPath, ""}}));

}  // namespace
}  // namespace quarvel::platform::host
