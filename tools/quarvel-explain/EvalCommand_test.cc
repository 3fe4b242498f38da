// quarvel-explain eval must say what the sink really does: every sample
// message is evaluated, then delivered to the simulated server with the real
// sink, and the two must agree.
#include "tools/quarvel-explain/EvalCommand.h"

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "platform/store/MessageProperties.h"
#include "sink/ItemProperties.h"
#include "tools/exsim/ExsimTestSupport.h"
#include "tools/exsim/MailManifest.h"

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

class EvalAgreesWithSinkTest : public ServerFixture {};

TEST_F(EvalAgreesWithSinkTest, OnEverySampleMessage) {
  std::ifstream rules(kTestData / "demo-rules.ini");
  std::stringstream text;
  text << rules.rdbuf();
  // The demo rules, with the pickup directory of this server.
  auto withPickup = text.str();
  withPickup.replace(withPickup.find("Path="), 5, "Path=" + server_->PickupDirectory().string());
  std::ofstream(ModulePath().parent_path() / "Quarvel.ini") << withPickup;
  InstallSink();
  Register("", true);
  RuleFileReader reader;
  reader.Load((ModulePath().parent_path() / "Quarvel.ini").string());

  const auto rows = exsim::ReadMailManifest(kTestData / "mail");
  ASSERT_GE(rows.size(), 10u);
  std::set<std::string> outcomes;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    const auto message = ReadAll(kTestData / "mail" / row.file);
    const auto folder = server_->ResolveFolder(row.folder);
    EvalOptions options;
    options.messageClass = row.messageClass;
    options.spamConfidenceLevel = row.spamConfidenceLevel;
    options.folderUrl = server_->FileUrl(folder);
    options.folderAddress = server_->Store().ReadFolder(folder).emailAddress;
    const auto evaluation = EvaluateMessage(reader, row.file, message, options);
    outcomes.insert(std::string(OutcomeText(evaluation.outcome)));

    exsim::DeliveryOptions delivery;
    delivery.messageClass = row.messageClass;
    delivery.spamConfidenceLevel = options.spamConfidenceLevel;
    const auto result = exsim::DeliverMessage(*server_, folder, row.file, message, delivery);
    const auto& outcome = result.entry.outcome;
    if (evaluation.outcome == EvalOutcome::kDelete) {
      EXPECT_EQ(outcome, "deleted");
    } else if (evaluation.outcome == EvalOutcome::kMove) {
      EXPECT_TRUE(outcome.starts_with("moved to ")) << outcome;
    } else if (evaluation.outcome == EvalOutcome::kForward) {
      EXPECT_TRUE(outcome.starts_with("removed after forward")) << outcome;
    } else {
      EXPECT_EQ(outcome, "stayed");
    }
    if (evaluation.reclassed) {
      const auto stored = server_->Store().ReadProperties(folder.Child(row.file));
      EXPECT_EQ(
          stored.at(platform::store::CanonicalPropertyName(platform::store::kPropMessageClass))
              .ToString(),
          "IPM.Note");
    }
  }
  // The sample mail and the demo rules together show every kind of outcome.
  for (const char* kind : {"delete", "move", "forward", "nothing", "skipped"}) {
    EXPECT_TRUE(outcomes.contains(kind)) << kind;
  }
}

// Targets the sink cannot reach: the dry run names each, and the sink indeed
// leaves those messages where they are.
TEST_F(EvalAgreesWithSinkTest, WhenATargetCannotBeReached) {
  WriteRules(
      "ConditionHeader1=Subject\nConditionValue1=T1\nAction1=move to\n"
      "Target1=http://MAIL01/Public/Junk Mail/\n"
      "ConditionHeader2=Subject\nConditionValue2=T2\nAction2=move to\n"
      "Target2=http://MAIL01/Public/Nowhere\n"
      "ConditionHeader3=Subject\nConditionValue3=T3\nAction3=move to\n"
      "Target3=http://MAIL01/Public/Junk Mail//\n"
      "ConditionHeader4=Subject\nConditionValue4=T4\nAction4=forward to\n"
      "Target4=Desk <desk@example.org>\n"
      "ConditionHeader5=Subject\nConditionValue5=T5\nAction5=move to\n"
      "Target5=file://./backofficestorage/example.com/Public Folders/Junk Mail/Quarantine/\n");
  InstallSink();
  Register("", true);

  struct Case {
    std::string subject;
    bool hasSender;
    std::string outcome;  // of the dry run
    std::string why;      // part of the reason it stays
  };
  const std::vector<Case> cases = {{"T1", true, "move", ""},
                                   {"T2", true, "stays", "Nowhere does not exist"},
                                   {"T3", true, "stays", "does not exist"},
                                   {"T4", false, "stays", "the message has no sender address"},
                                   {"T5", true, "move", ""}};
  const auto directory = ModulePath().parent_path() / "mail";
  fs::create_directories(directory);
  for (const auto& c : cases) {
    std::ofstream(directory / (c.subject + ".eml"))
        << (c.hasSender ? "From: a@example.net\r\n" : "") << "Subject: " << c.subject
        << " offer\r\n\r\nbody\r\n";
  }

  EvalOptions options;
  options.ruleFile = (ModulePath().parent_path() / "Quarvel.ini").string();
  options.json = true;
  std::ostringstream out, err;
  ASSERT_EQ(RunEval({directory.string()}, "", server_->Root().string(), options, out, err), 0)
      << err.str();
  std::istringstream lines(out.str());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.subject);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    const auto json = nlohmann::json::parse(line);
    EXPECT_EQ(json["message"], (directory / (c.subject + ".eml")).string());
    EXPECT_EQ(json["outcome"], c.outcome) << json["explanation"];
    EXPECT_NE(json["why"].get<std::string>().find(c.why), std::string::npos) << json["why"];
    EXPECT_FALSE(json.contains("visits"));

    const auto result = Deliver("Inbox", ReadAll(directory / (c.subject + ".eml")));
    if (c.outcome == "move") {
      EXPECT_FALSE(json["destination"].get<std::string>().ends_with("/"));
      EXPECT_TRUE(result.entry.outcome.starts_with("moved to ")) << result.entry.outcome;
    } else {
      // The journal says why, as the dry run did.
      EXPECT_TRUE(result.entry.outcome.starts_with("stayed")) << result.entry.outcome;
    }
  }
  std::string extra;
  EXPECT_FALSE(std::getline(lines, extra)) << extra;
}

TEST(EvalVerboseTest, NamesEveryRuleVisitedAndWhy) {
  RuleFileReader reader;
  reader.Parse(
      "[Quarvel RuleSet1]\nConditionHeader1=X-Spam-Flag\nConditionValue1=YES\nAction1=delete\n"
      "Target1=<NULL>\nConditionHeader2=Subject\nConditionValue2=[Z-A]{*}\nAction2=delete\n"
      "Target2=<NULL>\nConditionHeader3=Subject\nConditionValue3=Hello\nAction3=move to\n"
      "Target3=http://MAIL01/Public/Junk Mail/\n");
  const std::string message = "From: a@example.net\r\nSubject: Hello there\r\n\r\nHi\r\n";
  EvalOptions options;
  options.verbose = true;
  const auto evaluation = EvaluateMessage(reader, "m.eml", message, options);
  EXPECT_EQ(evaluation.rule, 3);
  EXPECT_EQ(evaluation.outcome, EvalOutcome::kMove);
  EXPECT_EQ(evaluation.destination,
            "file://./backofficestorage/localhost/Public Folders/Junk Mail");
  ASSERT_EQ(evaluation.visits.size(), 3u);
  EXPECT_EQ(evaluation.visits[0].why, "no X-Spam-Flag line");
  EXPECT_NE(evaluation.visits[1].why.find("descending"), std::string::npos);
  EXPECT_TRUE(evaluation.visits[2].matched);
  std::ostringstream out;
  PrintEvaluation(evaluation, true, out);
  EXPECT_NE(out.str().find("rule 2"), std::string::npos);
  const auto json = ToJson(evaluation, true);
  EXPECT_EQ(json["visits"].size(), 3u);
  EXPECT_EQ(json["target"], "http://MAIL01/Public/Junk Mail/");

  // Without --verbose nothing is kept of the visits.
  const auto quiet = EvaluateMessage(reader, "m.eml", message, EvalOptions{});
  EXPECT_EQ(quiet.outcome, EvalOutcome::kMove);
  EXPECT_TRUE(quiet.visits.empty());
  EXPECT_FALSE(ToJson(quiet, false).contains("visits"));
}

// What stops an intended move or forward before any folder is looked at.
struct StaysCase {
  const char* name;
  std::string action, target;
  std::string pickup;
  std::string folderUrl;  // "" = the default
  std::string why;        // part of the reason
  friend void PrintTo(const StaysCase& c, std::ostream* os) { *os << c.name; }
};

class EvalStaysTest : public ::testing::TestWithParam<StaysCase> {};

const std::string kLong(300, 'x');

TEST_P(EvalStaysTest, SaysWhyTheMessageStays) {
  const auto& c = GetParam();
  RuleFileReader reader;
  reader.Parse(
      "[Quarvel RuleSet1]\nConditionHeader1=Subject\nConditionValue1=Spam\nAction1=" + c.action +
      "\nTarget1=" + c.target + "\n[Quarvel PickupDir]\nPath=" + c.pickup + "\n");
  EvalOptions options;
  options.folderUrl = c.folderUrl;
  const auto evaluation = EvaluateMessage(
      reader, "m.eml", "From: a@example.net\r\nSubject: Spam offer\r\n\r\nHi\r\n", options);
  EXPECT_EQ(evaluation.rule, 1);
  EXPECT_EQ(evaluation.outcome, EvalOutcome::kStays);
  EXPECT_NE(evaluation.whyNot.find(c.why), std::string::npos) << evaluation.whyNot;
  EXPECT_NE(evaluation.explanation.find("the message stays"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EvalStaysTest,
    ::testing::Values(
        StaysCase{"LongMoveTarget", "move to", "http://MAIL01/Public/" + kLong, "/pickup", "",
                  "the move target has 321 characters, more than the 256 the store keeps in "
                  "\"Move to\""},
        StaysCase{"LongForwardTarget", "forward to", kLong + " <a@b.example>", "/pickup", "",
                  "the forward target has 314 characters"},
        StaysCase{"LongFolderUrl", "move to", "http://MAIL01/Public/Junk", "/pickup",
                  "file://./backofficestorage/x/Public Folders/" + kLong,
                  "\"Originally delivered to\": the store refuses it"},
        StaysCase{"ForwardWithoutPickupDirectory", "forward to", "a@b.example", "", "",
                  "the rule file names no pickup directory"},
        StaysCase{"FolderOutsidePublicFolders", "move to", "http://MAIL01/Public/Junk", "/pickup",
                  "file://./backofficestorage/x/MBX/user/Inbox", "not below \"/Public Folders/\""}),
    [](const auto& info) { return info.param.name; });

TEST(EvalEarlierMarksTest, MarksFromAnEarlierSaveAreActedOnWithoutARule) {
  RuleFileReader reader;
  reader.Parse(
      "[Quarvel RuleSet1]\nConditionHeader1=Subject\nConditionValue1=Never\n"
      "Action1=delete\nTarget1=<NULL>\n");
  const std::string folder = "file://./backofficestorage/x/Public Folders/Inbox";
  EvalOptions options;
  options.folderUrl = folder;
  options.folderExists = [](const std::string& url) { return url.ends_with("/Junk"); };
  const auto evaluation = EvaluateItem(reader, "item", "",
                                       {{std::string(sink::kMessageClassRead), "IPM.Note"},
                                        {std::string(sink::kOriginallyDeliveredTo), folder},
                                        {std::string(sink::kMoveTo), "http://MAIL01/Public/Junk/"}},
                                       options);
  EXPECT_EQ(evaluation.rule, std::nullopt);
  EXPECT_EQ(evaluation.outcome, EvalOutcome::kMove);
  EXPECT_EQ(evaluation.destination, "file://./backofficestorage/x/Public Folders/Junk");
  EXPECT_NE(evaluation.explanation.find("earlier marks"), std::string::npos);
}

// The command reads a message only up to the end of its headers, in pieces;
// a header block longer than a piece, ending anywhere, is still read whole.
TEST(EvalEarlierMarksTest, AForwardMarkThatWouldInjectEnvelopeLinesIsNotSent) {
  RuleFileReader reader;
  reader.Parse("[Quarvel RuleSet1]\n[Quarvel PickupDir]\nPath=/pickup\n");
  const std::string folder = "file://./backofficestorage/x/Public Folders/Inbox";
  EvalOptions options;
  options.folderUrl = folder;
  const auto evaluation =
      EvaluateItem(reader, "item", "",
                   {{std::string(sink::kMessageClassRead), "IPM.Note"},
                    {std::string(sink::kFromEmail), "a@example.net"},
                    {std::string(sink::kOriginallyDeliveredTo), folder},
                    {std::string(sink::kForwardTo), "b@example.org\r\nx-receiver: c@example.org"}},
                   options);
  EXPECT_EQ(evaluation.outcome, EvalOutcome::kStays);
  EXPECT_EQ(evaluation.whyNot, "the forward target holds a line break");
}

TEST(EvalCommandTest, ReadsTheWholeHeaderBlockHoweverLong) {
  const auto directory = fs::temp_directory_path() / ("eval_long_" + std::to_string(::getpid()));
  fs::create_directories(directory / "mail");
  std::ofstream(directory / "Quarvel.ini")
      << "[Quarvel RuleSet1]\nConditionHeader1=X-Last\nConditionValue1=yes\nAction1=delete\n"
         "Target1=<NULL>\n";
  // A line ends at every offset around the 16384 bytes of one read, in
  // either line-end style, and the header block goes on well past the next
  // read before "X-Last" and the blank line.
  int files = 0;
  for (const std::size_t lineEnd : {16380, 16381, 16382, 16383, 16384, 16385, 16386, 40000}) {
    for (const std::string eol : {"\r\n", "\n"}) {
      for (const std::string blank : {"\r\n", "\n"}) {
        std::string message;
        while (message.size() + 80 < lineEnd) message += "Received: from relay.example.net" + eol;
        message += "X-Pad: ";
        message += std::string(lineEnd + 1 - message.size() - eol.size(), 'x') + eol;
        // More than one further read of header lines after the boundary.
        for (int i = 0; i < 600; ++i) message += "Received: from relay.example.net" + eol;
        message += "X-Last: yes" + eol + blank + std::string(20000, 'b') + "\r\nX-Last: no\r\n";
        std::ofstream(directory / "mail" / (std::to_string(++files) + ".eml")) << message;
      }
    }
  }
  std::ofstream(directory / "mail" / "no-body.eml") << "X-Last: yes\r\n";
  std::ofstream(directory / "mail" / "no-headers.eml") << "\r\nX-Last: yes\r\n";
  EvalOptions options;
  options.ruleFile = (directory / "Quarvel.ini").string();
  options.json = true;
  std::ostringstream out, err;
  ASSERT_EQ(RunEval({(directory / "mail").string()}, "", "", options, out, err), 0) << err.str();
  std::istringstream lines(out.str());
  std::map<std::string, std::string> outcomes;
  for (std::string line; std::getline(lines, line);) {
    const auto json = nlohmann::json::parse(line);
    outcomes[fs::path(json["message"].get<std::string>()).filename()] = json["outcome"];
  }
  ASSERT_EQ(outcomes.size(), static_cast<std::size_t>(files + 2));
  for (int i = 1; i <= files; ++i) EXPECT_EQ(outcomes[std::to_string(i) + ".eml"], "delete") << i;
  EXPECT_EQ(outcomes["no-body.eml"], "delete");
  EXPECT_EQ(outcomes["no-headers.eml"], "nothing");
  fs::remove_all(directory);
}

TEST(EvalCommandTest, UnreadableInputsAreReportedAndTheRestStillRuns) {
  const auto directory = fs::temp_directory_path() / ("eval_run_" + std::to_string(::getpid()));
  fs::create_directories(directory / "mail");
  std::ofstream(directory / "Quarvel.ini")
      << "[Quarvel RuleSet1]\nConditionHeader1=Subject\nConditionValue1=B\nAction1=delete\n"
         "Target1=<NULL>\n";
  for (const char* name : {"b.eml", "a.eml"}) {
    std::ofstream(directory / "mail" / name) << "Subject: " << name << "\r\n\r\n";
  }
  EvalOptions options;
  options.ruleFile = (directory / "Quarvel.ini").string();
  std::ostringstream out, err;
  EXPECT_EQ(RunEval({(directory / "mail").string(), (directory / "missing.eml").string()}, "", "",
                    options, out, err),
            1);
  const auto mail = (directory / "mail").string();
  EXPECT_EQ(out.str(), mail + "/a.eml: no rule matches: the message stays\n" + mail +
                           "/b.eml: rule 1: the message is deleted\n");
  EXPECT_NE(err.str().find("cannot read " + (directory / "missing.eml").string()),
            std::string::npos);
  std::ostringstream out2, err2;
  EXPECT_EQ(RunEval({mail}, "", (directory / "no-server").string(), options, out2, err2), 1);
  EXPECT_EQ(out2.str(), "");
  fs::remove_all(directory);
}

}  // namespace
}  // namespace quarvel::explain
