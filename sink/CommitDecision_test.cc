#include "sink/CommitDecision.h"

#include <gtest/gtest.h>

#include <ostream>

namespace quarvel::sink {
namespace {

const std::string kRoot = "file://./backofficestorage/example.com/Public Folders/";
const std::string kParent = kRoot + "Inbox";

struct DecisionCase {
  const char* name;
  CommitMarks marks;
  std::string parent;
  CommitAction action;
  std::string destination;  // for a move
  std::string whyNotPart;   // for nothing
  friend void PrintTo(const DecisionCase& c, std::ostream* os) { *os << c.name; }
};

class DecideCommitTest : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(DecideCommitTest, DecidesAsTheCommitPhaseActs) {
  const auto& c = GetParam();
  const auto decision = DecideCommit(c.marks, c.parent);
  EXPECT_EQ(decision.action, c.action);
  EXPECT_EQ(decision.destinationFolder, c.destination);
  if (c.whyNotPart.empty()) {
    EXPECT_EQ(decision.whyNot, "");
  } else {
    EXPECT_NE(decision.whyNot.find(c.whyNotPart), std::string::npos) << decision.whyNot;
  }
}

CommitMarks Move(const std::string& target) { return {"IPM.NOTE", kParent, target, ""}; }

INSTANTIATE_TEST_SUITE_P(
    Cases, DecideCommitTest,
    ::testing::Values(
        DecisionCase{"ListedUrlMapsOntoTheItemsTree", Move("http://mail/Public/Junk Mail"), kParent,
                     CommitAction::kMove, kRoot + "Junk Mail", ""},
        DecisionCase{"OneTrailingSlashNamesTheFolder", Move("http://mail/Public/Junk Mail/"),
                     kParent, CommitAction::kMove, kRoot + "Junk Mail", ""},
        DecisionCase{"OnlyOneTrailingSlashIsDropped", Move("http://mail/Public/Junk Mail//"),
                     kParent, CommitAction::kMove, kRoot + "Junk Mail/", ""},
        DecisionCase{"StoreUrlStandsAsItIs", Move(kRoot + "Junk/"), kParent, CommitAction::kMove,
                     kRoot + "Junk", ""},
        DecisionCase{"LoneSlashStays", Move("/"), kParent, CommitAction::kMove, "/", ""},
        DecisionCase{"LastStoreRootCounts", Move("/Public/Junk"),
                     "file://./x/Public Folders/a/Public Folders/b", CommitAction::kMove,
                     "file://./x/Public Folders/a/Public Folders/Junk", ""},
        DecisionCase{"MoveBeforeForward",
                     {"IPM.NOTE", kParent, "/Public/Junk", "a@b.example"},
                     kParent,
                     CommitAction::kMove,
                     kRoot + "Junk",
                     ""},
        DecisionCase{"Forward",
                     {"IPM.NOTE", kParent, "", "a@b.example"},
                     kParent,
                     CommitAction::kForward,
                     "",
                     ""},
        DecisionCase{
            "NoMarks", {"IPM.NOTE", kParent, "", ""}, kParent, CommitAction::kNothing, "", ""},
        DecisionCase{"NoOrigin",
                     {"IPM.NOTE", "", "", "a@b.example"},
                     kParent,
                     CommitAction::kNothing,
                     "",
                     "no \"Originally delivered to\" mark"},
        DecisionCase{"NotMail",
                     {"IPM.TASK", kParent, "/Public/Junk", ""},
                     kParent,
                     CommitAction::kNothing,
                     "",
                     "not mail"},
        DecisionCase{"OutsidePublicFolders", Move("/Public/Junk"),
                     "file://./backofficestorage/example.com/MBX/user/Inbox",
                     CommitAction::kNothing, "", "not below \"/Public Folders/\""}),
    [](const auto& info) { return info.param.name; });

TEST(ForwardObstacleTest, NamesWhatStopsTheForward) {
  EXPECT_EQ(ForwardObstacle("a@b.example", "s@c.example", "/pickup"), "");
  EXPECT_EQ(ForwardObstacle("a@b.example", "", "/pickup"), "the message has no sender address");
  EXPECT_EQ(ForwardObstacle("a@b.example", "s@c.example\r\nx", "/pickup"),
            "the sender address holds a line break");
  EXPECT_EQ(ForwardObstacle("a@b.example\nx", "s@c.example", "/pickup"),
            "the forward target holds a line break");
  EXPECT_EQ(ForwardObstacle("a@b.example", "s@c.example", ""),
            "the rule file names no pickup directory");
}

}  // namespace
}  // namespace quarvel::sink
