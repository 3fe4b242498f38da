// The setup program started as an administrator starts it: start-up in its
// order on the sample server, batch mode from the command line, the first
// activation, Exit and the close box, and start-up on a server whose
// directory, host or store cannot be reached.
#include "setup/main/SetupProgram.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/directory/DirectoryErrors.h"
#include "platform/server/SampleServer.h"
#include "setup/main/CommandLine.h"
#include "setup/main/TestPlatform_test_support.h"

namespace quarvel::setup {
namespace {

using testing::TestPlatform;
using testing::TestPlatformOptions;
using namespace platform::controls;
using platform::ado::adStateClosed;
using platform::ado::adStateOpen;

// The sample directory's objects with an address: the recipient fill lets
// window messages run once for each.
constexpr int kSampleMailRecipients = 22;
// The rule editor, made at start-up, sorts its recipients list once.
constexpr int kEditorCreation = 1;
// The folder walk lets them run once per visible top-level folder, and the
// initial sort once.
constexpr int kFolderListMessages = 8 + 1;

TEST(CommandLineTest, OnlyTheFirstTwoCharactersDecideBatchMode) {
  const std::pair<const char*, bool> cases[] = {
      {"-b", true},
      {"/b", true},
      {"-B", true},
      {"/B", true},
      {"-bx", true},
      {"/b extra", true},
      {"-b --server /srv/x", true},
      {"b", false},
      {"-", false},
      {"", false},
      {" -b", false},
      {"--batch", false},
      {"\\b", false},
      {"-x -b", false},
  };
  for (const auto& [commandLine, batch] : cases) {
    EXPECT_EQ(IsBatchCommandLine(commandLine), batch) << '"' << commandLine << '"';
  }
}

class SetupProgramTest : public ::testing::Test {
 protected:
  ScriptedWindowServices& Services() { return platform_.Services(); }
  std::string Log() { return program_->Form().txtErr.Text(); }

  TestPlatform platform_;
  std::unique_ptr<SetupProgram> program_ = platform_.MakeProgram();
};

TEST_F(SetupProgramTest, StartUpFindsTheServerAndOpensBothConnections) {
  program_->Load();
  const ProgramState& state = program_->State();
  const WindowState& window = program_->Window();
  EXPECT_EQ(program_->Form().Caption(), "Quarvel setup");
  EXPECT_FALSE(window.batchMode);
  EXPECT_FALSE(window.clusterServer);
  EXPECT_TRUE(window.listReady);
  EXPECT_TRUE(state.blnTrackChanges);
  EXPECT_EQ(window.globalCatalogPath, "GC://dc01.example.com");
  EXPECT_EQ(window.directoryConnection.State(), adStateOpen);
  EXPECT_EQ(window.exchangeServerName, platform::server::kSampleComputerName);
  EXPECT_EQ(state.publicFolderRootUrl, "http://MAIL01/Public/");
  EXPECT_EQ(state.publicStoreId, platform::server::kSampleStoreGuid);
  EXPECT_EQ(state.windowsVersionName, "Windows XP");
  EXPECT_EQ(window.storeConnection.State(), adStateOpen);
  EXPECT_EQ(window.storeConnection.ConnectionString(), "http://MAIL01/Public/");
  EXPECT_TRUE(program_->Editor().IsLoaded());
  EXPECT_FALSE(program_->Editor().Visible());
  EXPECT_FALSE(program_->Form().IsActive()) << "loading alone activates nothing";
  EXPECT_EQ(state.sRuleFilePath, platform_.Root() / "Quarvel.ini");
  EXPECT_TRUE(program_->Form().Picture2.Visible());
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(Services().mousePointer, MousePointer::kDefault);
}

TEST_F(SetupProgramTest, ShowingTheWindowRunsTheFirstActivationOnce) {
  program_->Form().Show();
  EXPECT_TRUE(program_->Window().activated);
  EXPECT_FALSE(program_->IsClosed());
  // Not installed yet: the status says so.
  EXPECT_EQ(program_->Form().StatusBar1.Panels()("statustext").Text(),
            "Status: stopped. Reason: COM+ object is not installed.");
  EXPECT_EQ(program_->Form().Picture2.BackColor(), kRed);
  EXPECT_EQ(Services().mousePointer, MousePointer::kDefault);
  EXPECT_FALSE(program_->Form().btnChange.Enabled());
  const int doEvents = Services().doEventsCount;
  EXPECT_EQ(doEvents, 3 + kSampleMailRecipients + kEditorCreation + kFolderListMessages);
  program_->Form().UserDeactivate();
  program_->Form().UserActivate();
  EXPECT_EQ(Services().doEventsCount, doEvents) << "the one-time work ran again";
}

TEST_F(SetupProgramTest, BatchModeRunsItsPassAndClosesWithoutTouchingTheWindowAgain) {
  program_ = platform_.MakeProgram("-bx");
  program_->Load();
  EXPECT_EQ(program_->Form().Caption(), "Quarvel setup - batch mode");
  EXPECT_TRUE(program_->Window().batchMode);
  program_->Activate();
  EXPECT_TRUE(program_->IsClosed());
  EXPECT_FALSE(program_->Form().IsLoaded());
  EXPECT_FALSE(program_->Editor().IsLoaded());
  EXPECT_TRUE(program_->State().blnAllowEditorUnload);
  EXPECT_EQ(program_->Window().directoryConnection.State(), adStateClosed);
  EXPECT_EQ(program_->Window().storeConnection.State(), adStateClosed);
  // The folder list's refresh lets messages run twice, once per recipient
  // and as the folder list is filled and sorted; the steps after the pass
  // (messages, column fit, EndAction) never run.
  EXPECT_EQ(Services().doEventsCount,
            2 + kSampleMailRecipients + kEditorCreation + kFolderListMessages);
  EXPECT_TRUE(Services().messageBoxes.empty());
  program_->Activate();
  EXPECT_EQ(Services().doEventsCount,
            2 + kSampleMailRecipients + kEditorCreation + kFolderListMessages)
      << "a closed program ran again";
}

TEST_F(SetupProgramTest, ExitAndTheCloseBoxEndTheProgramAlike) {
  for (const bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "Exit");
    program_ = platform_.MakeProgram();
    program_->Form().Show();
    ASSERT_EQ(program_->Window().storeConnection.State(), adStateOpen);
    if (closeBox) {
      EXPECT_TRUE(program_->Form().UserClose());
    } else {
      EXPECT_TRUE(program_->Form().Command2.UserClick());
    }
    EXPECT_TRUE(program_->IsClosed());
    EXPECT_FALSE(program_->Form().IsLoaded());
    EXPECT_FALSE(program_->Editor().IsLoaded());
    EXPECT_TRUE(program_->State().blnAllowEditorUnload);
    EXPECT_EQ(program_->Window().directoryConnection.State(), adStateClosed);
    EXPECT_EQ(program_->Window().storeConnection.State(), adStateClosed);
  }
}

TEST_F(SetupProgramTest, TheWindowsButtonsAndLinkDoTheirWork) {
  program_->Form().Show();
  program_->Log().LogError("x", 1, "y");
  program_->Log().ShowOrHide();
  ASSERT_TRUE(program_->Form().Command3.Visible());
  EXPECT_TRUE(program_->Form().Command3.UserClick());
  EXPECT_EQ(Log(), "");
  EXPECT_FALSE(program_->Form().txtErr.Visible());
  EXPECT_FALSE(program_->Form().Command3.Visible());

  program_->Log().LogError("x", 1, "y");
  EXPECT_TRUE(program_->Form().cmdRefreshFolders.UserClick());
  EXPECT_EQ(Log(), "") << "Refresh starts with an empty log";
  EXPECT_EQ(Services().mousePointer, MousePointer::kDefault);

  EXPECT_TRUE(program_->Form().Label6.UserClick());
  EXPECT_EQ(Services().openedAddresses, std::vector<std::string>{kProductWebAddress});

  program_->Form().txtPriority.UserType("x");
  EXPECT_EQ(program_->Form().txtPriority.Text(), "65520");
  program_->Form().txtPriority.UserPaste("70000");
  EXPECT_EQ(program_->Form().txtPriority.Text(), "65520");
}

struct UnreachableCase {
  const char* name;
  friend void PrintTo(const UnreachableCase& c, std::ostream* os) { *os << c.name; }
  TestPlatformOptions options;
  std::string entry;  // what the log names
  bool storeOpen;     // whether the store connection still opens
};

class UnreachableTest : public ::testing::TestWithParam<UnreachableCase> {};

TEST_P(UnreachableTest, StartUpGoesOnAndTheLogNamesTheFailedStep) {
  TestPlatform platform(GetParam().options);
  auto program = platform.MakeProgram("-b");
  program->Load();
  const std::string log = program->Form().txtErr.Text();
  EXPECT_NE(log.find(GetParam().entry), std::string::npos) << log;
  EXPECT_EQ(program->Window().storeConnection.State(),
            GetParam().storeOpen ? adStateOpen : adStateClosed);
  EXPECT_TRUE(program->Editor().IsLoaded()) << "the last step still ran";
  program->Activate();
  EXPECT_TRUE(program->IsClosed());
  EXPECT_GE(program->Log().EntriesWritten(), 1);
  EXPECT_TRUE(platform.Services().messageBoxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnreachableTest,
    ::testing::Values(UnreachableCase{"NoDirectory",
                                      {.ldif = {}, .withoutDirectory = true},
                                      "] GC://RootDSE - ERROR: " +
                                          std::to_string(platform::directory::kErrNoSuchDomain) +
                                          " ",
                                      true},
                      UnreachableCase{"FailingRootDse",
                                      {.ldif = {}, .failingDirectoryCall = 1},
                                      "] GC://RootDSE - ERROR: -2147467259 simulated failure",
                                      true},
                      UnreachableCase{"FailingHost",
                                      {.ldif = {}, .failingHostCall = 1},
                                      "] IsClusterServer - ERROR: -2147467259 simulated failure",
                                      true},
                      UnreachableCase{"FailingComputerName",
                                      {.ldif = {}, .failingHostCall = 2},
                                      "] GetCommonPath - ERROR: -2147467259 simulated failure",
                                      false},
                      UnreachableCase{"NoServer",
                                      {.ldif = {}, .failingDiscoveryCall = 2},
                                      "] GetCommonPath - ERROR: -2147467259 simulated failure of "
                                      "ExchangeServer.Open (call 2)",
                                      false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quarvel::setup
