#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>

#include "common/Text.h"
#include "platform/events/EventFlags.h"
#include "sink/QuarvelModule.h"
#include "sink/RuleMatching.h"
#include "sink/SinkTestSupport.h"

namespace quarvel::sink {
namespace {

using namespace platform;
using namespace sink::testing;

const std::string kClass(kMessageClassRead);
const std::string kMarker(kHandledMarker);
const std::string kOriginally(kOriginallyDeliveredTo);
const std::string kMove(kMoveTo);
const std::string kForward(kForwardTo);
constexpr long kDelivered = EVT_SYNC_BEGIN | EVT_IS_DELIVERED | EVT_NEW_ITEM;

const Rule kDeleteSpamSubject{"Subject", "Spam:", "delete", "<NULL>"};
const Rule kMoveSpamSubject{"Subject", "Spam:", "move to", kJunkListed};
const Rule kNeverMatches{"Subject", "Ham:", "delete", "<NULL>"};

using Properties = std::map<std::string, std::optional<std::string>>;

struct BeginCase {
  const char* name;
  std::vector<Rule> rules;
  Properties itemChanges;  // nullopt removes the property before the save
  long flags = kDelivered;
  bool deleted = false;
  Properties expected;  // nullopt: the property must be absent
};

class SaveBeginTest : public ::testing::TestWithParam<BeginCase> {};

TEST_P(SaveBeginTest, ActsOnTheFirstMatchingRule) {
  const auto& c = GetParam();
  DryRunStore store;
  AddFolders(store);
  auto item = DeliveredItem();
  for (const auto& [name, value] : c.itemChanges) {
    if (value) {
      item.properties[name] = *value;
    } else {
      item.properties.erase(name);
    }
  }
  store.PutItem(kItem, item);
  SetRules(c.rules);

  SaveBegin(*store.OpenRecord(kItem), kItem, c.flags);

  ASSERT_EQ(!store.FindItem(kItem).has_value(), c.deleted);
  for (const auto& [name, value] : c.expected) {
    EXPECT_EQ(store.Property(kItem, name), value) << name;
  }
}

const Properties kUnmarked = {{kOriginally, std::nullopt},
                              {kMove, std::nullopt},
                              {kForward, std::nullopt},
                              {kMarker, std::nullopt}};
const Properties kMovedToJunk = {
    {kOriginally, kInbox}, {kMove, kJunkListed}, {kForward, std::nullopt}, {kMarker, ""}};

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveBeginTest,
    ::testing::Values(
        BeginCase{"DeleteRuleDeletes", {kDeleteSpamSubject}, {}, kDelivered, true, {}},
        BeginCase{"AppointmentLeftAlone",
                  {kDeleteSpamSubject},
                  {{kClass, "IPM.Appointment"}},
                  kDelivered,
                  false,
                  kUnmarked},
        BeginCase{"ClassPrefixIsNotExcluded",
                  {kDeleteSpamSubject},
                  {{kClass, "IPM.Appointment.Special"}},
                  kDelivered,
                  true,
                  {}},
        BeginCase{"PostWithoutMatchBecomesNote",
                  {kNeverMatches},
                  {{kClass, "IPM.Post"}},
                  kDelivered,
                  false,
                  {{kClass, "IPM.Note"}, {kOriginally, std::nullopt}}},
        BeginCase{
            "PostMovedBecomesNote",
            {kMoveSpamSubject},
            {{kClass, "ipm.post"}},
            kDelivered,
            false,
            {{kClass, "IPM.Note"}, {kOriginally, kInbox}, {kMove, kJunkListed}, {kMarker, ""}}},
        BeginCase{"FirstOfTwoMatchingRulesActs",
                  {kMoveSpamSubject, kDeleteSpamSubject},
                  {},
                  kDelivered,
                  false,
                  kMovedToJunk},
        BeginCase{"EmptyHeaderOrTargetNeverMatches",
                  {{"", "", "delete", "<NULL>"}, {"Subject", "", "delete", ""}},
                  {},
                  kDelivered,
                  false,
                  kUnmarked},
        BeginCase{"HeaderLineWithBlank",
                  {{"X-Spam-Flag", "YES", "delete", "<NULL>"}},
                  {},
                  kDelivered,
                  true,
                  {}},
        BeginCase{"HeaderLineWithoutBlank",
                  {{"X-Spam-Flag", "YES", "delete", "<NULL>"}},
                  {{std::string(kTransportHeaders), "X-Spam-Flag:YES\r\n"}},
                  kDelivered,
                  true,
                  {}},
        BeginCase{"OnlyTheFirstLineOfANameCounts",
                  {{"X-Spam-Flag", "YES", "delete", "<NULL>"}},
                  {{std::string(kTransportHeaders), "X-Spam-Flag: NO\r\nX-Spam-Flag: YES\r\n"}},
                  kDelivered,
                  false,
                  {}},
        BeginCase{"LineBreakWordSearchesTheWholeText",
                  {{"X-Spam-Flag", "yesVBCRLFx-spam-status: Yes", "delete", "<NULL>"}},
                  {},
                  kDelivered,
                  true,
                  {}},
        BeginCase{"TabWordMatchesARealTab",
                  {{"X-Spam-Status", "Yes,vbtabscore=7", "delete", "<NULL>"}},
                  {{std::string(kTransportHeaders), "X-Spam-Status: yes,\tSCORE=7.1\r\n"}},
                  kDelivered,
                  true,
                  {}},
        BeginCase{"TabWordAndLineBreakWordTogether",
                  {{"X-Spam-Status", "Yes,vbCrLfvbTabtests=BAYES", "delete", "<NULL>"}},
                  {{std::string(kTransportHeaders), "X-Spam-Status: Yes,\r\n\ttests=BAYES_99\r\n"}},
                  kDelivered,
                  true,
                  {}},
        BeginCase{"LineBreakWordNeedsTheRealBreak",
                  {{"X-Spam-Flag", "YESvbTabX-Spam-Status", "delete", "<NULL>"}},
                  {},
                  kDelivered,
                  false,
                  {}},
        BeginCase{"MissingSubjectNeverMatches",
                  {{"Subject", "", "delete", "<NULL>"}, {"subject", "{*}", "delete", "<NULL>"}},
                  {{std::string(kSubject), std::nullopt}},
                  kDelivered,
                  false,
                  kUnmarked},
        // An item saved again, or replicated, already carries marks: they are
        // overwritten, never left from the earlier rule.
        BeginCase{"EarlierMoveMarksAreOverwritten",
                  {kMoveSpamSubject},
                  {{kOriginally, "file://./backofficestorage/old/Public Folders/Old"},
                   {kMove, "http://old/Public/Old"},
                   {kMarker, ""}},
                  EVT_SYNC_BEGIN | EVT_REPLICATED_ITEM,
                  false,
                  kMovedToJunk},
        BeginCase{
            "EarlierForwardMarksAreOverwritten",
            {{"X-Spam-Flag", "YES", "forward to", "Boss <boss@example.com>"}},
            {{kOriginally, "file://./backofficestorage/old/Public Folders/Old"},
             {kForward, "old@example.com"}},
            kDelivered,
            false,
            {{kOriginally, kInbox}, {kForward, "boss@example.com"}, {kMarker, kInboxAddress}}},
        BeginCase{"ReturningMessageOverwritesAnEarlierFirstFolder",
                  {{"X-Spam-Flag", "YES", "forward to", "inbox@example.com"}},
                  {{kOriginally, "file://./backofficestorage/old/Public Folders/Old"},
                   {std::string(kTransportHeaders),
                    "x-Originally delivered to:" + kJunk + "\r\nX-Spam-Flag: YES\r\n"}},
                  kDelivered,
                  false,
                  {{kOriginally, kJunk}}},
        BeginCase{"ReturningMessageWithoutItsFirstFolderLine",
                  {{"X-Spam-Flag", "YES", "forward to", "inbox@example.com"}},
                  {},
                  kDelivered,
                  false,
                  kUnmarked},
        BeginCase{"ReturningMessageWithNothingAfterTheFirstFolderLine",
                  {{"X-Spam-Flag", "YES", "forward to", "inbox@example.com"}},
                  {{std::string(kTransportHeaders),
                    "x-Originally delivered to:\r\nX-Spam-Flag: YES\r\n"}},
                  kDelivered,
                  false,
                  kUnmarked},
        BeginCase{"HandledItemIsLeftAlone",
                  {kDeleteSpamSubject},
                  {{kMarker, " first@example.com "}},
                  kDelivered,
                  false,
                  {{kOriginally, std::nullopt}}},
        BeginCase{"CreatedItemIsNotEvenReclassed",
                  {kDeleteSpamSubject},
                  {{kClass, "IPM.Post"}},
                  EVT_SYNC_BEGIN | EVT_NEW_ITEM,
                  false,
                  {{kClass, "IPM.Post"}}},
        BeginCase{"ReplicatedItemIsProcessed",
                  {kDeleteSpamSubject},
                  {},
                  EVT_SYNC_BEGIN | EVT_REPLICATED_ITEM,
                  true,
                  {}},
        BeginCase{
            "FolderIsSkipped", {kDeleteSpamSubject}, {}, kDelivered | EVT_IS_COLLECTION, false, {}},
        BeginCase{
            "SclComparison", {{"imfscl", "{>5}", "delete", "<NULL>"}}, {}, kDelivered, true, {}},
        BeginCase{"MissingSclNeverMatches",
                  {{"IMFSCL", "", "delete", "<NULL>"}},
                  {{std::string(kSpamConfidenceLevel), std::nullopt}},
                  kDelivered,
                  false,
                  {}},
        BeginCase{"InvalidPatternFallsThroughToTheNextRule",
                  {{"Subject", "[Z-A]{*}", "delete", "<NULL>"}, kMoveSpamSubject},
                  {},
                  kDelivered,
                  false,
                  kMovedToJunk},
        BeginCase{"ForwardMarksTheItem",
                  {{"X-Spam-Flag", "YES", "Forward To", "Boss <boss@example.com>"}},
                  {},
                  kDelivered,
                  false,
                  {{kOriginally, kInbox},
                   {kForward, "Boss <boss@example.com>"},
                   {kMarker, kInboxAddress},
                   {kMove, std::nullopt}}},
        BeginCase{"ExistingForwardPropertyTakesTheBareAddress",
                  {{"X-Spam-Flag", "YES", "forward to", "Boss <boss@example.com>"}},
                  {{kForward, "old@example.com"}},
                  kDelivered,
                  false,
                  {{kForward, "boss@example.com"}}},
        BeginCase{"ReturningMessageRecordsItsFirstFolder",
                  {{"X-Spam-Flag", "YES", "forward to", "Inbox <INBOX@example.com>"}},
                  {{std::string(kTransportHeaders),
                    "x-Originally delivered to: " + kJunk + " \r\nX-Spam-Flag: YES\r\n"}},
                  kDelivered,
                  false,
                  {{kOriginally, kJunk}, {kForward, std::nullopt}, {kMarker, std::nullopt}}}),
    [](const auto& info) { return info.param.name; });

// A record that refuses every write of one property, as a store does for a
// value it cannot take.
class RefusingRecord : public DelegatingStoreAccess {
 public:
  RefusingRecord(std::unique_ptr<StoreAccess> inner, std::string refused)
      : DelegatingStoreAccess(std::move(inner)), refused_(std::move(refused)) {}

  void AppendProperty(const std::string& name, const std::string& value) override {
    Check(name);
    DelegatingStoreAccess::AppendProperty(name, value);
  }
  void SetProperty(const std::string& name, const std::string& value) override {
    Check(name);
    DelegatingStoreAccess::SetProperty(name, value);
  }

 private:
  void Check(const std::string& name) const {
    if (name == refused_) throw PlatformError(kErrFail, "refused: " + name);
  }

  std::string refused_;
};

struct RefusedWriteCase {
  const char* name;
  Rule rule;
  std::string refused;
  Properties expected;
};

class RefusedWriteTest : public ::testing::TestWithParam<RefusedWriteCase> {};

// A mark that cannot be written is skipped; the other marks and the save
// still happen.
TEST_P(RefusedWriteTest, TheOtherMarksAreStillWrittenAndSaved) {
  DryRunStore store;
  AddFolders(store);
  store.PutItem(kItem, DeliveredItem("IPM.Post"));
  SetRules({GetParam().rule});
  RefusingRecord record(store.OpenRecord(kItem), GetParam().refused);
  SaveBegin(record, kItem, kDelivered);
  for (const auto& [name, value] : GetParam().expected) {
    EXPECT_EQ(store.Property(kItem, name), value) << name;
  }
  EXPECT_EQ(store.Property(kItem, kClass), "IPM.Note");
}

INSTANTIATE_TEST_SUITE_P(
    Marks, RefusedWriteTest,
    ::testing::Values(
        RefusedWriteCase{"MoveWithoutOrigin",
                         kMoveSpamSubject,
                         kOriginally,
                         {{kOriginally, std::nullopt}, {kMove, kJunkListed}, {kMarker, ""}}},
        RefusedWriteCase{"MoveWithoutTarget",
                         kMoveSpamSubject,
                         kMove,
                         {{kOriginally, kInbox}, {kMove, std::nullopt}, {kMarker, ""}}},
        RefusedWriteCase{"MoveWithoutMarker",
                         kMoveSpamSubject,
                         kMarker,
                         {{kOriginally, kInbox}, {kMove, kJunkListed}, {kMarker, std::nullopt}}},
        RefusedWriteCase{"ForwardWithoutOrigin",
                         {"Subject", "Spam:", "forward to", "boss@example.com"},
                         kOriginally,
                         {{kOriginally, std::nullopt},
                          {kForward, "boss@example.com"},
                          {kMarker, kInboxAddress}}},
        RefusedWriteCase{
            "ForwardWithoutTarget",
            {"Subject", "Spam:", "forward to", "boss@example.com"},
            kForward,
            {{kOriginally, kInbox}, {kForward, std::nullopt}, {kMarker, kInboxAddress}}}),
    [](const auto& info) { return info.param.name; });

TEST(SaveBeginFolderAddressTest, UnreadableFolderAddressStillMarksTheForward) {
  DryRunStore store;  // no folders at all: the address lookup fails
  store.PutItem(kItem, DeliveredItem());
  SetRules({{"X-Spam-Flag", "YES", "forward to", "boss@example.com"}});
  SaveBegin(*store.OpenRecord(kItem), kItem, kDelivered);
  EXPECT_EQ(store.Property(kItem, kForward), "boss@example.com");
  EXPECT_EQ(store.Property(kItem, kMarker), "");
}

TEST(FindMatchingRuleTest, LeavesTheLastRuleVisitedInTheState) {
  DryRunStore store;
  store.PutItem(kItem, DeliveredItem());
  SetRules({kNeverMatches, kMoveSpamSubject, kDeleteSpamSubject});
  auto& state = ThreadState();
  EXPECT_EQ(FindMatchingRule(*store.OpenRecord(kItem), state), 1u);
  EXPECT_EQ(state.CurrentHeader, "Subject");
  EXPECT_EQ(state.CurrentValue, "Spam:");
  EXPECT_EQ(state.CurrentTarget, kJunkListed);
  SetRules({kNeverMatches});
  state.CurrentHeader = state.CurrentTarget = "from an earlier item";
  EXPECT_EQ(FindMatchingRule(*store.OpenRecord(kItem), state), std::nullopt);
  EXPECT_EQ(state.CurrentHeader, "");  // the empty entry after the last rule
  EXPECT_EQ(state.CurrentTarget, "");
}

}  // namespace
}  // namespace quarvel::sink
