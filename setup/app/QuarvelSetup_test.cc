// QuarvelSetup as an administrator's script runs it: on a sample server the
// batch pass exits 0 with nothing on standard error and shows the
// installation state; when the directory or the server's configuration is
// missing it exits 1 and says what failed; a missing server directory or a
// bad option stops it at once. --install and --uninstall in both modes, and
// the sink installed by it running when mail arrives. The rule list and the
// pickup directory are shown and set as the window would, and a rule is added
// through the rule editor with its refusals.
//
// Each test runs its own copy of the program, so the rule file it writes
// beside itself is the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/server/SampleServer.h"
#include "setup/app/SetupProcessTest_test_support.h"

namespace quarvel::setup {
namespace {

namespace fs = std::filesystem;
using testing::RunResult;

constexpr const char* kNotInstalled = "COM+ object \"Quarvel\" is not installed.\n";
constexpr const char* kInstalledAsService =
    "COM+ object \"Quarvel\" is installed (as a service under .\\localsystem).\n";
constexpr const char* kStatusNotInstalled =
    "Status: stopped. Reason: COM+ object is not installed.\n";
constexpr const char* kStatusNoRules = "Status: stopped. Reason: no rules.\n";
constexpr const char* kSecret = "s3cr3t Pa55w0rd";

class QuarvelSetupTest : public testing::SetupProcessTest {
 protected:
  fs::path RuleFile() const { return directory_ / "bin" / "Quarvel.ini"; }

  // Whether a line of `table` begins with parts[0] and holds the other parts in order.
  static bool HasRow(const std::string& table, const std::vector<std::string>& parts) {
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);) {
      if (!line.starts_with(parts.front())) continue;
      std::size_t at = 0;
      bool all = true;
      for (const std::string& part : parts) {
        at = line.find(part, at);
        if (at == std::string::npos) {
          all = false;
          break;
        }
        at += part.size();
      }
      if (all) return true;
    }
    return false;
  }
};

TEST_F(QuarvelSetupTest, BatchModeRunsCleanOnTheSampleServer) {
  const std::string batchLines[] = {"-b", "/B", "-bx", "--server '" + server_.string() + "' -b"};
  for (const std::string& arguments : batchLines) {
    SCOPED_TRACE(arguments);
    const RunResult run = RunSetup(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, std::string(kNotInstalled) + kStatusNotInstalled);
  }
}

TEST_F(QuarvelSetupTest, WithoutItsDirectoryTheBatchRunFailsAndNamesIt) {
  fs::remove(server_ / platform::directory::kDirectoryFileName);
  const RunResult run = RunSetup("-b");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("] GC://RootDSE - ERROR: -2147023541 "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("directory.ldif"), std::string::npos) << run.err;
}

TEST_F(QuarvelSetupTest, WithoutTheServersConfigurationTheStoreIsUnreachable) {
  fs::remove(server_ / "server.json");
  const RunResult run = RunSetup("-b");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("] GetCommonPath - ERROR: -2147217895 "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("server.json"), std::string::npos) << run.err;
}

TEST_F(QuarvelSetupTest, TheReportSaysWhatStartUpFound) {
  const RunResult run = RunSetup("--report");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Exchange server:    MAIL01\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Public folder root: http://MAIL01/Public/\n"), std::string::npos);
  EXPECT_NE(run.out.find(std::string("Public store:       ") + platform::server::kSampleStoreGuid),
            std::string::npos);
  EXPECT_NE(run.out.find("Windows version:    Windows XP\n"), std::string::npos);
  EXPECT_NE(run.out.find("Cluster node:       no\n"), std::string::npos);
  EXPECT_NE(run.out.find("Global catalog:     GC://dc01.example.com\n"), std::string::npos);
  EXPECT_NE(run.out.find("Store connection:   open\n"), std::string::npos);
}

TEST_F(QuarvelSetupTest, RulesAreListedAsTheWindowShowsThem) {
  std::ofstream(RuleFile())
      << "[Quarvel RuleSet1]\n"
         "ConditionHeader1=Subject\nConditionValue1=[SPAM]\nAction1=move to\n"
         "Target1=http://MAIL01/Public/Junk Mail\nTargetDisplayName1=Junk Mail\n"
         "ConditionHeader2=IMFSCL\nConditionValue2={>6}\nAction2=delete\n"
         "Target2=<NULL>\n"
         "ConditionHeader4=X-Spam-Flag\nConditionValue4=YES\nAction4=delete\n"
         "Target4=<NULL>\n";
  RunResult run = RunSetup("--rules");
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string pickup = (server_ / "pickup").string();
  EXPECT_EQ(run.out,
            "#  Condition                    Action   Target URL or E-mail Address    Target "
            "Display Name\n"
            "1  Subject: [SPAM]              move to  http://MAIL01/Public/Junk Mail  Junk Mail\n"
            "2  SCL value is greater than 6  delete   <NULL>\n"
            "rule 3: warning: there is no rule 3 (ConditionHeader3, ConditionValue3, Action3 and "
            "Target3 are missing or empty): the sink stops reading there and never reads rule 4 "
            "[numbering-gap]\n"
            "Pickup directory: " +
                pickup + "\n");
  // Loading took the server's pickup directory as the default, as the window does.
  EXPECT_NE(Read(RuleFile()).find("Path=" + pickup), std::string::npos);

  run = RunSetup("--rules --json");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\"condition\": \"SCL value is greater than 6\""), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"pickupDirectory\": \"" + pickup + "\""), std::string::npos);
  EXPECT_EQ(run.out.find("X-Spam-Flag"), std::string::npos) << "a rule beyond the gap was listed";
  EXPECT_NE(run.out.find("\"code\": \"numbering-gap\""), std::string::npos) << run.out;
}

TEST_F(QuarvelSetupTest, ThePickupDirectoryIsShownAndChangedThroughTheWindowsRoutines) {
  const std::string pickup = (server_ / "pickup").string();
  RunResult run = RunSetup("--pickup");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Pickup directory: " + pickup + "\nOffered:          " + pickup + "\n");

  run = RunSetup("--pickup ' /srv/other '");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Pickup directory: /srv/other\n");
  EXPECT_NE(Read(RuleFile()).find("Path=/srv/other\n"), std::string::npos) << Read(RuleFile());

  // A line break is refused with a message, and the exit status says so.
  run = RunSetup("--pickup \"$(printf '/srv/a\\nKey=x')\"");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Quarvel: A value that holds a line break"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "Pickup directory: /srv/other\n");

  // A read-only rule file: the failure is logged and nothing changes.
  fs::permissions(RuleFile(), fs::perms::owner_read | fs::perms::group_read);
  run = RunSetup("--pickup /srv/third");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("] btnPickUpChange - ERROR: "), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "Pickup directory: /srv/other\n");
}

TEST_F(QuarvelSetupTest, AMissingServerDirectoryOrABadOptionStopsAtOnce) {
  RunResult run = RunSetup("-b --server '" + (directory_ / "nowhere").string() + "'");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("no server directory at"), std::string::npos) << run.err;

  run = RunSetup("--frobnicate");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("frobnicate"), std::string::npos) << run.err;

  run = RunSetup("--json");
  EXPECT_EQ(run.status, 2);  // needs --rules
  EXPECT_NE(run.err.find("--json requires --rules"), std::string::npos) << run.err;

  run = RunSetup("--help");
  EXPECT_EQ(run.status, 0);
  for (const char* option : {"--server", "-b", "--rules", "--pickup", "--add-rule"}) {
    EXPECT_NE(run.out.find(option), std::string::npos) << run.out;
  }
}

TEST_F(QuarvelSetupTest, ARuleIsAddedThroughTheRuleEditor) {
  RunResult run = RunSetup("--add-rule Subject '[SPAM]' delete");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(run.out.starts_with("Rule 1 added.\n")) << run.out;
  EXPECT_TRUE(HasRow(run.out, {"1  Subject: [SPAM]", "delete", "<NULL>"})) << run.out;

  // The SCL condition, and an address typed in another case: the editor
  // chooses the recipient; a display name given replaces the one it found.
  run = RunSetup("--add-rule scl '>5' 'forward to' ALICE.Martin@Example.com");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(HasRow(run.out, {"2  SCL value is greater than 5", "forward to",
                               "alice.martin@example.com", "Alice Martin"}))
      << run.out;
  run = RunSetup(
      "--add-rule SCL 'less than -1' 'forward to' boss@outside.example "
      "--display-name 'The Boss'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(HasRow(run.out, {"3  SCL value is less than -1", "boss@outside.example", "The Boss"}))
      << run.out;
  const std::string file = Read(RuleFile());
  for (const char* line : {"ConditionHeader1=Subject\n", "ConditionValue2={>5}\n",
                           "ConditionValue3={<-1}\n", "Target2=alice.martin@example.com\n"}) {
    EXPECT_NE(file.find(line), std::string::npos) << line << file;
  }

  // The editor's refusals: the file stays as it is, and the exit status says so.
  const struct {
    const char* arguments;
    const char* said;
  } refusals[] = {
      {"--add-rule X-Test '[abc{*}' delete",
       "Quarvel: invalid pattern: '[' at character 1 has no closing ']'\nThe sink treats this "
       "condition as not met.\n\nSave the rule anyway?\n(answered No)\n"},
      {"--add-rule Subject \"$(printf 'a\\nb')\" delete",
       "Quarvel: A value that holds a line break"},
      {"--add-rule 'X-A: b' c delete", "cannot hold one before its end"},
      {"--add-rule Subject '' delete", "keeps OK disabled: Please populate all fields"},
      {"--add-rule SCL 'greater than 12' delete", "the SCL number \"12\" is none of \"-1\","},
      {"--add-rule SCL '>3' bounce", "the action \"bounce\" is none of"},
      {"--add-rule Subject x 'move to' http://MAIL01/Public/Nowhere",
       "\"http://MAIL01/Public/Nowhere\" is none of the folders"},
  };
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.arguments);
    run = RunSetup(refusal.arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(refusal.said), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("QuarvelSetup: no rule was added"), std::string::npos);
    EXPECT_EQ(Read(RuleFile()), file);
  }
  for (const char* arguments : {"--add-rule Subject x", "-b --add-rule Subject x delete",
                                "--add-rule Subject x delete --rules", "--display-name x"}) {
    SCOPED_TRACE(arguments);
    run = RunSetup(arguments);
    EXPECT_EQ(run.status, 2) << run.err;
  }
}

TEST_F(QuarvelSetupTest, InstallThenBatchShowsItInstalledAndUninstallRemovesIt) {
  RunResult run = RunSetup("--install");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, std::string(kInstalledAsService) + kStatusNoRules);

  run = RunSetup("-b");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, std::string(kInstalledAsService) + kStatusNoRules);

  run = RunSetup("--install --priority 7");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Nothing to do: the application is already installed."),
            std::string::npos);

  run = RunSetup("--uninstall");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, std::string(kNotInstalled) + kStatusNotInstalled);
  run = RunSetup("--uninstall");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Nothing to do: the application is not installed."), std::string::npos);

  // A reinstall meets the service the first installation left.
  run = RunSetup("--install --priority ' 42'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(Read(server_ / "complus" / "catalog.json").find("\"ConstructorString\": \"42\""),
            std::string::npos);
}

TEST_F(QuarvelSetupTest, OnWindows2000ThePasswordComesFromStandardInputAndStaysInTheCatalog) {
  auto facts = platform::host::LoadHostFacts(server_ / "host.ini");
  facts.osVersion = platform::host::OsVersion{2, 5, 0};
  platform::host::SaveHostFacts(server_ / "host.ini", facts);

  RunResult run = RunSetup("--install");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Please fill the Identity and Password fields"), std::string::npos)
      << run.err;
  EXPECT_EQ(run.out, std::string(kNotInstalled) + kStatusNotInstalled);

  run = RunSetup("--install --identity 'EXAMPLE\\svc-quarvel' --password-stdin", "",
                 std::string(kSecret) + "\r\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "COM+ object \"Quarvel\" is installed (identity EXAMPLE\\svc-quarvel).\n" +
                         std::string(kStatusNoRules));

  // The password is in the owner-only catalog and nowhere else.
  fs::remove(directory_ / "in.txt");
  const fs::path catalog = server_ / "complus" / "catalog.json";
  EXPECT_NE(Read(catalog).find(std::string("\"Password\": \"") + kSecret + "\""),
            std::string::npos);
  struct stat info {};
  ASSERT_EQ(::stat(catalog.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  for (const auto& entry : fs::recursive_directory_iterator(directory_)) {
    if (entry.is_regular_file() && entry.path() != catalog) {
      EXPECT_EQ(Read(entry.path()).find(kSecret), std::string::npos) << entry.path();
    }
  }
  run = RunSetup("-b");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.find(kSecret), std::string::npos);
  EXPECT_EQ(run.err.find(kSecret), std::string::npos);
}

TEST_F(QuarvelSetupTest, WithoutTheComponentFileNothingIsInstalled) {
  fs::remove(directory_ / "Quarvel.so");
  RunResult run = RunSetup("--install");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("] File " + (directory_ / "Quarvel.so").string() +
                         " not found. COM+ object installation is impossible."),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.out, std::string(kNotInstalled) + kStatusNotInstalled);

  run = RunSetup("-b");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, std::string(kNotInstalled) + kStatusNotInstalled);
}

TEST_F(QuarvelSetupTest, BadInstallOptionsStopAtOnce) {
  for (const char* arguments :
       {"--install --priority 70000", "--install --priority abc", "-b --install",
        "--install --uninstall", "--priority 5", "--install --password=x"}) {
    SCOPED_TRACE(arguments);
    const RunResult run = RunSetup(arguments);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.status, 1) << "stopped before the program ran";
    EXPECT_FALSE(fs::exists(server_ / "complus" / "catalog.json") &&
                 Read(server_ / "complus" / "catalog.json").find("Quarvel") != std::string::npos);
  }
}

TEST_F(QuarvelSetupTest, TheInstalledSinkRunsWhenMailArrives) {
  std::ofstream(directory_ / "Quarvel.ini")
      << "[Quarvel RuleSet1]\nConditionHeader1=Subject\nConditionValue1=Spam:\n"
         "Action1=delete\nTarget1=<NULL>\n";
  std::ofstream(directory_ / "spam.eml", std::ios::binary)
      << "From: a@example.net\r\nTo: inbox@example.com\r\nSubject: Spam: pills\r\n\r\nBuy.\r\n";

  RunResult run = RunSetup("--install");
  ASSERT_EQ(run.status, 0) << run.err;
  run = RunSetup("reg add --store-wide", "", "", EXSIM_PATH);
  ASSERT_EQ(run.status, 0) << run.err;
  run = RunSetup("deliver --to Inbox spam.eml", "", "", EXSIM_PATH);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("1 deleted"), std::string::npos) << run.out;
  run = RunSetup("log", "", "", EXSIM_PATH);
  EXPECT_NE(run.out.find("sinks: Quarvel.QuarvelCls ran\n    outcome: deleted"), std::string::npos)
      << run.out;
}

// Registered through the commands and batch mode, the sink runs exactly in
// the registered folders.
TEST_F(QuarvelSetupTest, TheSinkRunsExactlyWhereTheCommandsRegisteredIt) {
  // The rules beside the sink's module file, where it reads them.
  std::ofstream(directory_ / "Quarvel.ini")
      << "[Quarvel RuleSet1]\nConditionHeader1=Subject\nConditionValue1=Spam:\n"
         "Action1=delete\nTarget1=<NULL>\n";
  std::ofstream(directory_ / "spam.eml", std::ios::binary)
      << "From: a@example.net\r\nTo: x@example.com\r\nSubject: Spam: pills\r\n\r\nBuy.\r\n";
  // Whether the sink deleted the message delivered to `to`.
  const auto deleted = [&](const std::string& to) {
    const RunResult run = RunSetup("deliver --to '" + to + "' spam.eml", "", "", EXSIM_PATH);
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out.find("1 deleted") != std::string::npos;
  };

  RunResult run = RunSetup("--register Sales");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Sales: the application is not installed"), std::string::npos) << run.err;
  ASSERT_EQ(RunSetup("--install").status, 0);

  // By path, and by address for a name with quotes and letters beyond ASCII.
  run = RunSetup("--register sales zuerich@example.com");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(HasRow(run.out, {"checked", "Sales", "sales@example.com"})) << run.out;
  EXPECT_TRUE(HasRow(run.out, {"checked", "Customers/Europe/Z\u00fcrich \"Ost\""})) << run.out;
  EXPECT_TRUE(HasRow(run.out, {"unchecked", "Inbox"})) << run.out;
  EXPECT_TRUE(deleted("Sales"));
  EXPECT_TRUE(deleted("zuerich@example.com"));
  EXPECT_FALSE(deleted("Inbox"));
  EXPECT_FALSE(deleted("Sales/Leads")) << "a folder registration reaches no sub-folder";

  run = RunSetup("--list");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(HasRow(run.out, {"Registered per folder"})) << run.out;
  EXPECT_TRUE(HasRow(run.out, {"accessdenied", "Board Room"})) << run.out;
  run = RunSetup("--register Sales");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(HasRow(run.out, {"Nothing to do."})) << run.out;

  run = RunSetup("--unregister SALES@example.com 'Board Room' Nowhere");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Board Room: the store denies access to it"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("\"Nowhere\" is no mail-enabled public folder"), std::string::npos)
      << run.err;
  EXPECT_FALSE(deleted("Sales"));
  EXPECT_TRUE(deleted("zuerich@example.com"));

  run = RunSetup("--register-store-wide");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(HasRow(run.out, {"Registered store-wide"})) << run.out;
  EXPECT_TRUE(HasRow(run.out, {"pf", "Inbox"})) << run.out;
  EXPECT_TRUE(deleted("Inbox"));
  EXPECT_TRUE(deleted("Sales/Leads"));
  run = RunSetup("--unregister Inbox");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("registered store-wide"), std::string::npos) << run.err;

  // Batch mode re-applies the store-wide item; then it goes.
  run = RunSetup("-b");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(deleted("Inbox"));
  run = RunSetup("--unregister-store-wide");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(HasRow(run.out, {"checked", "Customers/Europe/Z\u00fcrich"})) << run.out;
  EXPECT_FALSE(deleted("Inbox"));
  EXPECT_TRUE(deleted("zuerich@example.com")) << "its own item outlived the store-wide one";
  run = RunSetup("--unregister-store-wide");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(HasRow(run.out, {"Nothing to do"})) << run.out;

  run = RunSetup("--register Sales --list");
  EXPECT_EQ(run.status, 2) << "run alone";
}

}  // namespace
}  // namespace quarvel::setup
