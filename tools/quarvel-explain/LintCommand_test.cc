// quarvel-explain lint as administrators and scripts see it: its output,
// exit codes and JSON, its findings against a simulated server, and that
// what it calls broken is broken when the sink meets it.
#include "tools/quarvel-explain/LintCommand.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/smtp/PickupFileFormat.h"
#include "tools/exsim/ExsimTestSupport.h"
#include "tools/quarvel-explain/ExplainCommands.h"

namespace quarvel::explain {
namespace {

namespace fs = std::filesystem;
using exsim::testing::ServerFixture;

const fs::path kTestData = QUARVEL_TESTDATA_DIR;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class LintFileTest : public ::testing::Test {
 protected:
  LintFileTest()
      : path_(fs::temp_directory_path() /
              ("explain_lint_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini")) {}
  ~LintFileTest() override { fs::remove(path_); }

  std::string Write(const std::string& rules) {
    std::ofstream(path_) << "[Quarvel RuleSet1]\n" << rules << "[Quarvel PickupDir]\nPath=/p\n";
    return path_.string();
  }

  int Lint(const std::string& path, bool json = false, const std::string& root = "") {
    out_.str("");
    err_.str("");
    return RunLint({path, json, root}, out_, err_);
  }

  fs::path path_;
  std::ostringstream out_, err_;
};

constexpr const char* kSound =
    "ConditionHeader1=X-Spam-Flag\nConditionValue1=YES\nAction1=delete\nTarget1=<NULL>\n";
constexpr const char* kShadowedRule =
    "ConditionHeader2=x-spam-flag\nConditionValue2=yes please\nAction2=delete\nTarget2=<NULL>\n";
constexpr const char* kEmptyTargetRule =
    "ConditionHeader3=Subject\nConditionValue3=x\nAction3=move to\nTarget3=\n";

TEST_F(LintFileTest, ExitsNonZeroOnlyForErrors) {
  EXPECT_EQ(Lint(Write(kSound)), kLintClean);
  EXPECT_EQ(out_.str(), path_.string() + ": 1 rule, no findings\n");
  EXPECT_EQ(err_.str(), "");

  EXPECT_EQ(Lint(Write(std::string(kSound) + kShadowedRule)), kLintClean);
  EXPECT_EQ(out_.str(),
            "rule 2: warning: rule 1 matches everything this rule matches and comes first (the "
            "same header, and this rule's value begins with its value \"YES\"), so this rule "
            "never decides [shadowed]\n" +
                path_.string() + ": 2 rules, 0 errors, 1 warning\n");

  EXPECT_EQ(Lint(Write(std::string(kSound) + kShadowedRule + kEmptyTargetRule)), kLintErrors);
  EXPECT_NE(out_.str().find("rule 3: error: the rule has no target, so it never matches "
                            "[empty-target]\n"),
            std::string::npos)
      << out_.str();
  EXPECT_TRUE(out_.str().ends_with(": 3 rules, 1 error, 1 warning\n")) << out_.str();
}

TEST_F(LintFileTest, WhatCannotBeCheckedExitsWithTwo) {
  EXPECT_EQ(Lint("/nonexistent/Quarvel.ini"), kLintUnusable);
  EXPECT_NE(err_.str().find("/nonexistent/Quarvel.ini"), std::string::npos);
  EXPECT_EQ(Lint(fs::temp_directory_path().string()), kLintUnusable);
  EXPECT_EQ(Lint(Write(kSound), false, "/nonexistent/server"), kLintUnusable);
  EXPECT_NE(err_.str().find("quarvel-explain: "), std::string::npos);
  EXPECT_EQ(out_.str(), "");
}

TEST_F(LintFileTest, JsonHoldsEveryFinding) {
  ASSERT_EQ(Lint(Write(std::string(kSound) + kShadowedRule + kEmptyTargetRule), true), kLintErrors);
  const auto document = nlohmann::json::parse(out_.str());
  EXPECT_EQ(document["file"], path_.string());
  EXPECT_EQ(document["rules"], 3);
  EXPECT_EQ(document["errors"], 1);
  EXPECT_EQ(document["warnings"], 1);
  ASSERT_EQ(document["findings"].size(), 2u);
  EXPECT_EQ(document["findings"][1],
            nlohmann::json::parse(R"({"rule":3,"severity":"error","code":"empty-target",
                "message":"the rule has no target, so it never matches"})"));
  EXPECT_EQ(document["findings"][0]["code"], "shadowed");

  ASSERT_EQ(Lint(Write(kSound), true), kLintClean);
  EXPECT_EQ(nlohmann::json::parse(out_.str())["findings"], nlohmann::json::array());
}

TEST_F(LintFileTest, AnInvalidPatternReadsAsMatchSaysIt) {
  std::ostringstream matchOut, matchErr;
  ASSERT_EQ(RunMatch("[abc{*}", "x", matchOut, matchErr), kInvalidPattern);
  const auto said = matchErr.str().substr(0, matchErr.str().find('\n'));
  const std::string prefix = "quarvel-explain: ";
  ASSERT_TRUE(said.starts_with(prefix)) << said;

  ASSERT_EQ(Lint(Write("ConditionHeader1=Subject\nConditionValue1=[abc{*}\nAction1=delete\n"
                       "Target1=<NULL>\n"),
                 true),
            kLintErrors);
  const auto finding = nlohmann::json::parse(out_.str())["findings"][0];
  EXPECT_EQ(finding["code"], "invalid-pattern");
  EXPECT_TRUE(finding["message"].get<std::string>().starts_with(said.substr(prefix.size()) + ";"))
      << finding["message"];
}

TEST_F(LintFileTest, TheDemoRulesAreClean) {
  EXPECT_EQ(Lint((kTestData / "demo-rules.ini").string()), kLintClean);
  EXPECT_TRUE(out_.str().ends_with(": 6 rules, no findings\n")) << out_.str();
}

// The command line, through the program itself.
int RunProgram(const std::string& arguments, std::string* output = nullptr) {
  const std::string command = std::string(QUARVEL_EXPLAIN_PATH) + " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  const int status = ::pclose(pipe);
  if (output != nullptr) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(LintFileTest, CommandLine) {
  const auto path = Write(std::string(kSound) + kShadowedRule + kEmptyTargetRule);
  std::string output;
  EXPECT_EQ(RunProgram("lint '" + path + "'", &output), kLintErrors) << output;
  EXPECT_EQ(RunProgram("lint --json '" + path + "'", &output), kLintErrors);
  EXPECT_EQ(nlohmann::json::parse(output)["errors"], 1);
  EXPECT_EQ(RunProgram("lint --help", &output), 0);
  EXPECT_NE(output.find("--root"), std::string::npos) << output;
  for (const auto* wrong : {"lint a b", "lint --no-such-option", "lint --root", "lint --json=x"}) {
    EXPECT_EQ(RunProgram(wrong, &output), kLintUnusable) << wrong << "\n" << output;
  }
  EXPECT_EQ(RunProgram("lint /nonexistent/Quarvel.ini"), kLintUnusable);
}

class LintServerTest : public ServerFixture {
 protected:
  std::string RuleFile() const { return (ModulePath().parent_path() / "Quarvel.ini").string(); }

  nlohmann::json Lint(int expectedStatus) {
    std::ostringstream out, err;
    EXPECT_EQ(RunLint({RuleFile(), true, server_->Root().string()}, out, err), expectedStatus)
        << err.str();
    return nlohmann::json::parse(out.str());
  }
};

std::vector<std::pair<int, std::string>> Codes(const nlohmann::json& document) {
  std::vector<std::pair<int, std::string>> codes;
  for (const auto& finding : document["findings"]) {
    codes.emplace_back(finding["rule"].get<int>(), finding["code"].get<std::string>());
  }
  return codes;
}

// Every target lint calls broken leaves the message where it was; every other
// one moves it.
TEST_F(LintServerTest, WhatLintCallsBrokenTheSinkCannotDo) {
  WriteRules(
      "ConditionHeader1=Subject\nConditionValue1=T1\nAction1=move to\n"
      "Target1=http://MAIL01/Public/Junk Mail/\n"
      "ConditionHeader2=Subject\nConditionValue2=T2\nAction2=move to\n"
      "Target2=http://MAIL01/Public/Nowhere\n"
      "ConditionHeader3=Subject\nConditionValue3=T3\nAction3=move to\n"
      "Target3=http://MAIL01/Public/Junk Mail//\n"
      "ConditionHeader4=Subject\nConditionValue4=T4\nAction4=move to\n"
      "Target4=http://MAIL01/Public/Board Room\n"
      "ConditionHeader5=Subject\nConditionValue5=T5\nAction5=move to\n"
      "Target5=file://./backofficestorage/example.com/Public Folders/Junk Mail/Quarantine/\n"
      "ConditionHeader6=Subject\nConditionValue6=T6\nAction6=forward to\n"
      "Target6=Abuse Desk\n");
  InstallSink();
  Register("", true);

  EXPECT_EQ(Codes(Lint(kLintErrors)),
            (std::vector<std::pair<int, std::string>>{{2, "move-target-missing"},
                                                      {3, "move-target-missing"},
                                                      {4, "move-target-denied"},
                                                      {6, "forward-no-address"}}));

  for (int rule = 1; rule <= 5; ++rule) {
    SCOPED_TRACE(rule);
    const auto result =
        Deliver("Inbox", exsim::testing::Message("Subject: T" + std::to_string(rule) + "\r\n"));
    const bool flagged = rule >= 2 && rule <= 4;
    EXPECT_EQ(result.entry.outcome.starts_with("moved to "), !flagged) << result.entry.outcome;
  }
  // The forward leaves the folder, and the SMTP service cannot read its file.
  const auto forwarded = Deliver("Inbox", exsim::testing::Message("Subject: T6\r\n"));
  EXPECT_TRUE(forwarded.entry.outcome.starts_with("removed after forward"))
      << forwarded.entry.outcome;
  const auto files = PickupFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_FALSE(platform::smtp::ParsePickupFile(ReadAll(files[0])).file);
}

TEST_F(LintServerTest, AForwardToTheOnlyFolderTheSinkWatches) {
  WriteRules(
      "ConditionHeader1=Subject\nConditionValue1=Spam:\nAction1=forward to\n"
      "Target1=Support Requests <SUPPORT@example.com>\n");
  EXPECT_EQ(Codes(Lint(kLintClean)), (std::vector<std::pair<int, std::string>>{}));
  Register("Support Requests");
  const auto document = Lint(kLintClean);
  EXPECT_EQ(Codes(document),
            (std::vector<std::pair<int, std::string>>{{1, "forward-to-own-folder"}}));
  EXPECT_NE(document["findings"][0]["message"].get<std::string>().find("\"Support Requests\""),
            std::string::npos);
  // A registration of another sink changes nothing.
  exsim::RegistrationRequest other;
  other.folder = "Inbox";
  other.sinkClass = "Other.Sink";
  std::ostringstream out, err;
  ASSERT_EQ(exsim::AddRegistration(*server_, other, out, err), 0) << err.str();
  EXPECT_EQ(Codes(Lint(kLintClean)).size(), 1u);
  // Forwarded from Inbox too, the rule does forward.
  Register("Inbox");
  EXPECT_EQ(Codes(Lint(kLintClean)), (std::vector<std::pair<int, std::string>>{}));
}

TEST_F(LintServerTest, AForwardToAFolderFromEveryFolder) {
  WriteRules(
      "ConditionHeader1=Subject\nConditionValue1=Spam:\nAction1=forward to\n"
      "Target1=support@example.com\n");
  Register("Support Requests");
  Register("", true);
  EXPECT_EQ(Codes(Lint(kLintClean)), (std::vector<std::pair<int, std::string>>{}));
}

TEST_F(LintServerTest, TheDemoRulesAreCleanOnTheSampleServer) {
  auto rules = ReadAll(kTestData / "demo-rules.ini");
  rules.replace(rules.find("Path="), 5, "Path=" + server_->PickupDirectory().string());
  std::ofstream(RuleFile()) << rules;
  Register("", true);
  EXPECT_EQ(Lint(kLintClean)["findings"], nlohmann::json::array());
}

}  // namespace
}  // namespace quarvel::explain
