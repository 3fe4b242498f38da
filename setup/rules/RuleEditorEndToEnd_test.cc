// A rule made in the rule editor, end to end: what the dialog stores is what
// quarvel-explain shows of the rule file, and what the real sink module,
// reading that file beside itself, applies to the next delivered message.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "platform/server/SimulatedServer.h"
#include "setup/rules/RuleEditorHarness_test_support.h"
#include "tools/exsim/Delivery.h"
#include "tools/exsim/ExsimCommands.h"
#include "tools/quarvel-explain/ExplainCommands.h"

namespace quarvel::setup {
namespace {

namespace fs = std::filesystem;
using testing::EditorSession;

TEST(RuleEditorEndToEndTest, ARuleAddedInTheEditorIsWhatTheSinkApplies) {
  EditorSession session;
  const fs::path root = session.platform.Root();
  // The setup program and the sink module share one directory, as installed.
  const fs::path module = root / "Quarvel.so";
  fs::remove(module);
  fs::copy_file(QUARVEL_MODULE_PATH, module);
  platform::server::SimulatedServer server(root);
  std::ostringstream out, err;
  ASSERT_EQ(exsim::InstallComponent(server, "Quarvel", module.string(), out, err), 0) << err.str();
  exsim::RegistrationRequest registration;
  registration.folder = "Inbox";
  ASSERT_EQ(exsim::AddRegistration(server, registration, out, err), 0) << err.str();

  frmAddEdit& editor = session.editor();
  session.Add([&] {
    editor.ComboSMTPheaders.UserPaste("Subject");
    editor.txtValue.UserType("{*}offer{*}");
    editor.TreeView1.UserClickNode(editor.TreeView1.Nodes()(testing::kJunkMail));
    ASSERT_TRUE(editor.cmdOK.UserClick());
  });
  ASSERT_EQ(session.form().txtErr.Text(), "");

  std::ostringstream shown;
  ASSERT_EQ(explain::RunRules((root / "Quarvel.ini").string(), true, shown, err), 0) << err.str();
  const nlohmann::json rules = nlohmann::json::parse(shown.str()).at("rules");
  ASSERT_EQ(rules.size(), 1u) << shown.str();
  EXPECT_EQ(rules[0].at("header"), "Subject");
  EXPECT_EQ(rules[0].at("value"), "{*}offer{*}");
  EXPECT_EQ(rules[0].at("action"), "move to");
  EXPECT_EQ(rules[0].at("target"), testing::kJunkMail);

  const std::string message =
      "From: Sender <sender@example.net>\r\nTo: inbox@example.com\r\n"
      "Subject: A great OFFER\r\n\r\nHi.\r\n";
  const std::string outcome =
      exsim::DeliverMessage(server, server.ResolveFolder("Inbox"), "offer.eml", message, {})
          .entry.outcome;
  EXPECT_TRUE(outcome.starts_with(
      "moved to file://./backofficestorage/example.com/Public Folders/Junk Mail/"))
      << outcome;
}

// The editor's reason for an invalid pattern is the dry run's, word for word.
TEST(RuleEditorEndToEndTest, AnInvalidPatternIsExplainedAsTheDryRunExplainsIt) {
  EditorSession session;
  frmAddEdit& editor = session.editor();
  for (const std::string value : {"[abc{*}", "{?}[z-a]", "x{>3}[{*}"}) {
    std::ostringstream out, err;
    ASSERT_EQ(explain::RunMatch(value, "anything", out, err), explain::kInvalidPattern);
    std::string dryRun = err.str();
    ASSERT_TRUE(dryRun.starts_with("quarvel-explain: ")) << dryRun;
    dryRun = dryRun.substr(std::string("quarvel-explain: ").size());
    while (dryRun.ends_with('\n')) dryRun.pop_back();
    session.Add([&] {
      editor.txtValue.UserPaste(value);
      EXPECT_EQ(editor.txtValue.ToolTipText(), dryRun) << value;
    });
  }
}

}  // namespace
}  // namespace quarvel::setup
