// quarvel-explain eval must say what the sink really does: every sample
// message is evaluated, then delivered to the simulated server with the real
// sink, and the two must agree.
#include "tools/quarvel-explain/EvalCommand.h"

#include <fstream>
#include <set>
#include <sstream>

#include "platform/store/MessageProperties.h"
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
  sink::RuleFileReader reader;
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
    outcomes.insert(evaluation.outcome);

    exsim::DeliveryOptions delivery;
    delivery.messageClass = row.messageClass;
    delivery.spamConfidenceLevel = options.spamConfidenceLevel;
    const auto result = exsim::DeliverMessage(*server_, folder, row.file, message, delivery);
    const auto& outcome = result.entry.outcome;
    if (evaluation.outcome == "delete") {
      EXPECT_EQ(outcome, "deleted");
    } else if (evaluation.outcome == "move") {
      EXPECT_TRUE(outcome.starts_with("moved to ")) << outcome;
    } else if (evaluation.outcome == "forward") {
      EXPECT_TRUE(outcome.starts_with("removed after forward")) << outcome;
    } else {
      EXPECT_EQ(outcome, "stayed");
    }
    if (evaluation.reclassed) {
      const auto stored = server_->Store().ReadProperties(folder.Child(row.file));
      EXPECT_EQ(stored.at(platform::store::CanonicalPropertyName(platform::store::kPropMessageClass))
                    .ToString(),
                "IPM.Note");
    }
  }
  // The sample mail and the demo rules together show every kind of outcome.
  for (const char* kind : {"delete", "move", "forward", "nothing", "skipped"}) {
    EXPECT_TRUE(outcomes.contains(kind)) << kind;
  }
}

TEST(EvalVerboseTest, NamesEveryRuleVisitedAndWhy) {
  sink::RuleFileReader reader;
  reader.Parse(
      "[Quarvel RuleSet1]\nConditionHeader1=X-Spam-Flag\nConditionValue1=YES\nAction1=delete\n"
      "Target1=<NULL>\nConditionHeader2=Subject\nConditionValue2=[Z-A]{*}\nAction2=delete\n"
      "Target2=<NULL>\nConditionHeader3=Subject\nConditionValue3=Hello\nAction3=move to\n"
      "Target3=http://MAIL01/Public/Junk Mail\n");
  const auto evaluation = EvaluateMessage(
      reader, "m.eml", "From: a@example.net\r\nSubject: Hello there\r\n\r\nHi\r\n", EvalOptions{});
  EXPECT_EQ(evaluation.rule, 3);
  EXPECT_EQ(evaluation.outcome, "move");
  ASSERT_EQ(evaluation.visits.size(), 3u);
  EXPECT_EQ(evaluation.visits[0].why, "no X-Spam-Flag line");
  EXPECT_NE(evaluation.visits[1].why.find("descending"), std::string::npos);
  EXPECT_TRUE(evaluation.visits[2].matched);
  std::ostringstream out;
  PrintEvaluation(evaluation, true, out);
  EXPECT_NE(out.str().find("rule 2"), std::string::npos);
  const auto json = ToJson(evaluation);
  EXPECT_EQ(json["visits"].size(), 3u);
  EXPECT_EQ(json["target"], "http://MAIL01/Public/Junk Mail");
}

}  // namespace
}  // namespace quarvel::explain
