// The road of a rule change end to end: the real sink module, installed on
// the simulated server and registered on a folder, reads the rule file that
// the rules list writes beside it. Moving a rule up in the list changes which
// rule the sink applies to the next delivered message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/server/SimulatedServer.h"
#include "setup/main/SetupProgram.h"
#include "setup/main/TestPlatform_test_support.h"
#include "setup/rules/RuleListHarness_test_support.h"
#include "tools/exsim/Delivery.h"
#include "tools/exsim/ExsimCommands.h"

namespace quarvel::setup {
namespace {

namespace fs = std::filesystem;
using testing::RuleLines;

TEST(RuleListEndToEndTest, AMovedRuleDecidesTheNextDeliveredMessage) {
  testing::TestPlatform platform;
  // The setup program and the sink module share one directory, as installed.
  const fs::path module = platform.Root() / "Quarvel.so";
  fs::copy_file(QUARVEL_MODULE_PATH, module);
  platform::server::SimulatedServer server(platform.Root());
  std::ostringstream out, err;
  ASSERT_EQ(exsim::InstallComponent(server, "Quarvel", module.string(), out, err), 0) << err.str();
  exsim::RegistrationRequest registration;
  registration.folder = "Inbox";
  ASSERT_EQ(exsim::AddRegistration(server, registration, out, err), 0) << err.str();

  // Two rules for the same message: the first one wins.
  std::ofstream(platform.Root() / "Quarvel.ini")
      << "[Quarvel RuleSet1]\n"
      << RuleLines(1, "Subject", "Offer", "move to", "http://MAIL01/Public/Junk Mail", "Junk Mail")
      << RuleLines(2, "Subject", "Offer", "delete", "<NULL>");
  const std::string message =
      "From: Sender <sender@example.net>\r\nTo: inbox@example.com\r\nSubject: Offer\r\n\r\nHi.\r\n";
  const auto deliver = [&] {
    return exsim::DeliverMessage(server, server.ResolveFolder("Inbox"), "offer.eml", message, {})
        .entry.outcome;
  };
  const std::string before = deliver();
  EXPECT_TRUE(before.starts_with(
      "moved to file://./backofficestorage/example.com/Public Folders/Junk Mail/"))
      << before;

  auto program = platform.MakeProgram();
  program->Form().Show();
  InstallForm& form = program->Form();
  ASSERT_EQ(form.ListView2.ListItems().Count(), 2);
  ASSERT_TRUE(form.ListView2.UserClickItem(form.ListView2.ListItems()(2)));
  ASSERT_TRUE(form.cmdMoveUp.UserClick());
  EXPECT_EQ(form.ListView2.ListItems()(1).ColumnText(1), "delete");
  EXPECT_EQ(form.txtErr.Text(), "");

  EXPECT_EQ(deliver(), "deleted") << "after the move";
  EXPECT_EQ(server.Store().Items(server.ResolveFolder("Junk Mail")).size(), 1u)
      << "only the message delivered before the move";
}

}  // namespace
}  // namespace quarvel::setup
