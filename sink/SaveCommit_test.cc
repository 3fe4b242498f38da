#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "common/Text.h"
#include "platform/events/EventFlags.h"
#include "sink/GUID.h"
#include "sink/PickupForward.h"
#include "sink/QuarvelModule.h"
#include "sink/SinkTestSupport.h"

namespace quarvel::sink {
namespace {

using namespace platform;
using namespace sink::testing;

constexpr long kCommitted = EVT_SYNC_COMMITTED | EVT_IS_DELIVERED | EVT_NEW_ITEM;
const std::string kClass(kMessageClassRead);
const std::string kMarker(kHandledMarker);
const std::string kOriginally(kOriginallyDeliveredTo);
const std::string kMove(kMoveTo);
const std::string kForward(kForwardTo);
const std::string kSender(kFromEmail);

class SaveCommitTest : public ::testing::Test {
 protected:
  SaveCommitTest() : services_(MemoryServices()) {
    AddFolders(store_);
    SetRules({});
  }

  // Puts a delivered item with the given marks and runs the commit phase.
  void Commit(const std::map<std::string, std::string>& marks, long flags = kCommitted) {
    auto item = DeliveredItem();
    for (const auto& [name, value] : marks) item.properties[name] = value;
    store_.PutItem(kItem, item);
    try {
      SaveCommit(*store_.OpenRecord(kItem), kItem, flags, services_);
    } catch (const PlatformError&) {
      // A failed step ends the commit phase; the event method traps it.
    }
  }

  bool ItemStays() const { return store_.FindItem(kItem).has_value(); }

  DryRunStore store_;
  SinkServices services_;
};

TEST_F(SaveCommitTest, MoveMapsTheListedUrlOntoTheItemsTreeUnderAGuidName) {
  Commit({{kOriginally, kInbox}, {kMove, kJunkListed}, {kMarker, ""}});
  EXPECT_FALSE(ItemStays());
  const auto moved = store_.ItemsIn(kJunk);
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_TRUE(std::regex_match(moved[0], std::regex(kJunk + "/[0-9A-F]{32}\\.eml")));
  EXPECT_EQ(store_.Property(moved[0], kMove), kJunkListed);
  EXPECT_EQ(store_.Property(moved[0], kOriginally), kInbox);
  EXPECT_EQ(store_.Property(moved[0], kMarker), std::nullopt);
  EXPECT_TRUE(store_.Files().empty());
}

TEST_F(SaveCommitTest, MoveTargetWithoutPublicRootIsUsedAsItStands) {
  Commit({{kOriginally, kInbox}, {kMove, kJunk}, {kMarker, ""}});
  EXPECT_EQ(store_.ItemsIn(kJunk).size(), 1u);
}

TEST_F(SaveCommitTest, OneTrailingSlashOfTheTargetNamesTheFolderItself) {
  for (const auto& target : {kJunkListed + "/", kJunk + "/"}) {
    SCOPED_TRACE(target);
    Commit({{kOriginally, kInbox}, {kMove, target}, {kMarker, ""}});
    EXPECT_FALSE(ItemStays());
  }
  EXPECT_EQ(store_.ItemsIn(kJunk).size(), 2u);
  Commit({{kOriginally, kInbox}, {kMove, kJunkListed + "//"}, {kMarker, ""}});
  EXPECT_TRUE(ItemStays());
}

TEST_F(SaveCommitTest, MoveTakesPrecedenceOverForward) {
  Commit({{kOriginally, kInbox}, {kMove, kJunkListed}, {kForward, "a@b.example"}, {kMarker, ""}});
  EXPECT_EQ(store_.ItemsIn(kJunk).size(), 1u);
  EXPECT_TRUE(store_.Files().empty());
}

TEST_F(SaveCommitTest, MoveToAMissingFolderLeavesTheItem) {
  Commit({{kOriginally, kInbox}, {kMove, kStoreRoot + "/Nowhere"}, {kMarker, ""}});
  EXPECT_TRUE(ItemStays());
  EXPECT_EQ(store_.Property(kItem, kMove), kStoreRoot + "/Nowhere");
}

TEST_F(SaveCommitTest, ForwardWritesACompletePickupFileAndRemovesTheItem) {
  Commit({{kOriginally, kInbox}, {kForward, "Boss <boss@example.com>"}, {kMarker, kInboxAddress}});
  EXPECT_FALSE(ItemStays());
  // The file is saved straight under its final name: no temporary file.
  EXPECT_EQ(store_.Files(),
            (std::map<std::string, std::string>{
                {"/pickup/6122026954711.eml",
                 "x-receiver: Boss <boss@example.com>\r\nx-sender: sender@example.net\r\n"
                 "x-Originally delivered to:" +
                     kInbox + "\r\n" + kMessage}}));
}

TEST_F(SaveCommitTest, TakenPickupNameIsRetriedWithANewNumber) {
  store_.PutFile("/pickup/6122026954711.eml", "someone else's");
  Commit({{kOriginally, kInbox}, {kForward, "boss@example.com"}, {kMarker, kInboxAddress}});
  EXPECT_FALSE(ItemStays());
  EXPECT_EQ(store_.FindFile("/pickup/6122026954711.eml"), "someone else's");
  EXPECT_TRUE(store_.FindFile("/pickup/6122026954712.eml").has_value());
  EXPECT_EQ(store_.Files().size(), 2u);
}

TEST_F(SaveCommitTest, NoFreePickupNameLeavesTheItemAndNoTemporaryFile) {
  for (int n = 4711; n < 4711 + kPickupNameAttempts; ++n) {
    store_.PutFile("/pickup/612202695" + std::to_string(n) + ".eml", "taken");
  }
  Commit({{kOriginally, kInbox}, {kForward, "boss@example.com"}, {kMarker, kInboxAddress}});
  EXPECT_TRUE(ItemStays());
  EXPECT_EQ(store_.Files().size(), static_cast<std::size_t>(kPickupNameAttempts));
}

struct NothingCase {
  const char* name;
  std::map<std::string, std::string> marks;
  long flags = kCommitted;
  std::string pickupPath = kPickup;
};

class SaveCommitNothingTest : public SaveCommitTest,
                              public ::testing::WithParamInterface<NothingCase> {};

TEST_P(SaveCommitNothingTest, ItemStaysAndNothingIsSent) {
  SetRules({}, GetParam().pickupPath);
  Commit(GetParam().marks, GetParam().flags);
  EXPECT_TRUE(ItemStays());
  EXPECT_TRUE(store_.ItemsIn(kJunk).empty());
  EXPECT_TRUE(store_.Files().empty());
}

const std::map<std::string, std::string> kForwardMarks = {
    {kOriginally, kInbox}, {kForward, "boss@example.com"}, {kMarker, kInboxAddress}};

std::map<std::string, std::string> With(std::map<std::string, std::string> marks,
                                        const std::string& name, const std::string& value) {
  marks[name] = value;
  return marks;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveCommitNothingTest,
    ::testing::Values(
        NothingCase{"Unmarked", {}},
        NothingCase{"ForwardWithoutOrigin", With(kForwardMarks, kOriginally, "")},
        NothingCase{"EmptySender", With(kForwardMarks, kSender, "  ")},
        NothingCase{"LineBreakInSender",
                    With(kForwardMarks, kSender, "a@b.example\r\nx-receiver: victim@c.example")},
        NothingCase{"LineBreakInForwardTarget",
                    With(kForwardMarks, kForward, "boss@example.com\nx-receiver: v@c.example")},
        NothingCase{"EmptyPickupPath", kForwardMarks, kCommitted, ""},
        NothingCase{"Appointment", With(kForwardMarks, kClass, "IPM.appointment")},
        NothingCase{"PostedItem", kForwardMarks, EVT_SYNC_COMMITTED | EVT_NEW_ITEM},
        NothingCase{"Folder", kForwardMarks, kCommitted | EVT_IS_COLLECTION}),
    [](const auto& info) { return info.param.name; });

// Marked as the begin phase leaves an item, in a folder outside the public
// folder tree: nothing is touched, not even the handled marker.
TEST(SaveCommitOutsidePublicFoldersTest, ItemIsNotActedOn) {
  const std::string folder = "file://./backofficestorage/example.com/MBX/user/Inbox";
  const std::string item = folder + "/1.eml";
  for (const auto& marks :
       {std::map<std::string, std::string>{
            {kOriginally, folder}, {kMove, kJunkListed}, {kMarker, ""}},
        std::map<std::string, std::string>{
            {kOriginally, folder}, {kForward, "boss@example.com"}, {kMarker, kInboxAddress}}}) {
    DryRunStore store;
    AddFolders(store);
    store.AddFolder(folder);
    auto delivered = DeliveredItem();
    for (const auto& [name, value] : marks) delivered.properties[name] = value;
    store.PutItem(item, delivered);
    SetRules({});
    try {
      SaveCommit(*store.OpenRecord(item), item, kCommitted, MemoryServices());
    } catch (const PlatformError&) {
    }
    ASSERT_TRUE(store.FindItem(item).has_value());
    for (const auto& [name, value] : marks) EXPECT_EQ(store.Property(item, name), value) << name;
    EXPECT_TRUE(store.ItemsIn(kJunk).empty());
    EXPECT_TRUE(store.Files().empty());
  }
}

TEST_F(SaveCommitTest, AFailedMarkerDeleteStopsTheMove) {
  // No handled marker to delete: the store refuses the delete.
  Commit({{kOriginally, kInbox}, {kMove, kJunkListed}});
  EXPECT_TRUE(ItemStays());
  EXPECT_TRUE(store_.ItemsIn(kJunk).empty());
}

// A store that cannot make a message object for the item.
class NoMessageObject : public DelegatingStoreAccess {
 public:
  using DelegatingStoreAccess::DelegatingStoreAccess;
  std::unique_ptr<MessageStream> OpenMessageStream(const std::string&) override { return nullptr; }
};

TEST_F(SaveCommitTest, ForwardEndsWhenNoMessageObjectCanBeMade) {
  auto item = DeliveredItem();
  for (const auto& [name, value] : kForwardMarks) item.properties[name] = value;
  store_.PutItem(kItem, item);
  NoMessageObject record(store_.OpenRecord(kItem));
  SaveCommit(record, kItem, kCommitted, services_);
  EXPECT_TRUE(ItemStays());
  EXPECT_TRUE(store_.Files().empty());
  EXPECT_EQ(store_.Property(kItem, kForward), "boss@example.com");
}

// A target longer than the marks can hold is refused by the store, never cut:
// the item stays where it is, unmarked, and nothing is moved or sent.
struct LongTargetCase {
  const char* name;
  std::string action;
  std::string target;
  friend void PrintTo(const LongTargetCase& c, std::ostream* os) { *os << c.name; }
};

class LongTargetTest : public ::testing::TestWithParam<LongTargetCase> {};

// A folder whose URL plus "/" is exactly as long as a mark: a move target
// cut there would name it.
const std::string kCutFolder = kStoreRoot + "/" + std::string(255 - kStoreRoot.size() - 1, 'c');
const std::string kCutFolderListed =
    "http://mail.example.com/Public/" + kCutFolder.substr(kStoreRoot.size() + 1);

INSTANTIATE_TEST_SUITE_P(
    Targets, LongTargetTest,
    ::testing::Values(
        LongTargetCase{"Move", "move to", kJunkListed + "/" + std::string(300, 'x')},
        LongTargetCase{"MoveCutOnASlash", "move to",
                       kCutFolder + "/" + std::string(300 - kCutFolder.size() - 1, 'x')},
        LongTargetCase{
            "MoveOfListedUrl", "move to",
            kCutFolderListed + "/" + std::string(300 - kCutFolderListed.size() - 1, 'x')},
        LongTargetCase{"Forward", "forward to", std::string(300 - 20, 'D') + " <boss@example.com>"},
        LongTargetCase{"ForwardOfMultiByteCharacters", "forward to",
                       std::string(150, 'x') + std::string(150, '\xFF') + "@example.com"}),
    [](const auto& info) { return info.param.name; });

TEST_P(LongTargetTest, ItemStaysAndNothingIsCut) {
  ASSERT_GT(text::CharCount(GetParam().target), kCustomPropertySize);
  DryRunStore store;
  AddFolders(store);
  store.AddFolder(kCutFolder);
  store.PutItem(kItem, DeliveredItem());
  SetRules({{"X-Spam-Flag", "YES", GetParam().action, GetParam().target}});
  const auto services = MemoryServices();

  SaveBegin(*store.OpenRecord(kItem), kItem, EVT_SYNC_BEGIN | EVT_IS_DELIVERED);
  EXPECT_EQ(store.Property(kItem, kMove), std::nullopt);
  EXPECT_EQ(store.Property(kItem, kForward), std::nullopt);
  try {
    SaveCommit(*store.OpenRecord(kItem), kItem, kCommitted, services);
  } catch (const PlatformError&) {
  }
  EXPECT_TRUE(store.FindItem(kItem).has_value());
  EXPECT_TRUE(store.ItemsIn(kJunk).empty());
  EXPECT_TRUE(store.ItemsIn(kCutFolder).empty());
  EXPECT_TRUE(store.Files().empty());
}

TEST(LongTargetTest, ATargetOfExactlyTheDefinedSizeIsKept) {
  std::string target;
  for (int i = 0; i < 256 - 12; ++i) target += "\u00E4";  // two bytes each
  target += "@example.com";
  ASSERT_EQ(text::CharCount(target), kCustomPropertySize);
  DryRunStore store;
  AddFolders(store);
  store.PutItem(kItem, DeliveredItem());
  SetRules({{"X-Spam-Flag", "YES", "forward to", target}});
  SaveBegin(*store.OpenRecord(kItem), kItem, EVT_SYNC_BEGIN | EVT_IS_DELIVERED);
  EXPECT_EQ(store.Property(kItem, kForward), target);
}

TEST(NewGuidStringTest, FormatsEveryFieldPadded) {
  Guid guid;
  guid.data1 = 0x1A;
  guid.data2 = 0xB;
  guid.data3 = 0xC0DE;
  guid.data4 = {0, 1, 2, 0xAB, 0xCD, 0xEF, 0x10, 0xFF};
  EXPECT_EQ(NewGuidString([&] { return std::optional(guid); }), "0000001A000BC0DE000102ABCDEF10FF");
  EXPECT_EQ(NewGuidString([] { return std::optional<Guid>(); }), "");
}

TEST(NewGuidStringTest, SystemGuidsAreHexAndDistinct) {
  const auto services = SystemServices();
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    const auto text = NewGuidString(services.newGuid);
    EXPECT_TRUE(std::regex_match(text, std::regex("[0-9A-F]{32}"))) << text;
    seen.insert(text);
  }
  EXPECT_EQ(seen.size(), 100u);
}

TEST(PickupFileNameTest, FieldsHaveNoLeadingZeros) {
  std::tm time{};
  time.tm_mday = 6;
  time.tm_mon = 11;
  time.tm_year = 126;
  time.tm_hour = 9;
  time.tm_min = 5;
  EXPECT_EQ(PickupFileName("/spool", time, 4711), "/spool/6122026954711.eml");
}

TEST(SystemServicesTest, RandomNumbersStayInRangeAndDiffer) {
  const auto services = SystemServices();
  std::set<std::uint64_t> seen;
  for (int i = 0; i < 1000; ++i) {
    const auto n = services.randomNumber();
    ASSERT_GE(n, 1u);
    ASSERT_LE(n, kMaxPickupRandom);
    seen.insert(n);
  }
  EXPECT_GT(seen.size(), 990u);
}

}  // namespace
}  // namespace quarvel::sink
