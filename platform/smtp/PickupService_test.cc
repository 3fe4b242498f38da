#include "platform/smtp/PickupService.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/smtp/FailingMailDelivery.h"
#include "platform/smtp/MemoryMailDelivery.h"
#include "platform/smtp/PickupFileFormat.h"
#include "platform/smtp/SpoolFiles.h"

namespace quarvel::platform::smtp {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kSupportUrl = "http://MAIL01/Public/Support Requests";
const std::string kSalesUrl = "http://MAIL01/Public/Sales";
const std::string kMessage =
    "x-Originally delivered to:file://./backofficestorage/example.com/Public Folders/Inbox\r\n"
    "From: Sender <sender@example.net>\r\nSubject: offer\r\n\r\nBuy.\r\n";

std::string PickupFile(const std::vector<std::string>& receivers,
                       const std::string& message = kMessage) {
  std::string content;
  for (const auto& receiver : receivers) content += "x-receiver: " + receiver + "\r\n";
  return content + "x-sender: sender@example.net\r\n" + message;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class PickupServiceTest : public ::testing::Test {
 protected:
  PickupServiceTest()
      : root_(fs::temp_directory_path() /
              ("smtp_test_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        dirs_{root_ / "pickup", root_ / "Queue", root_ / "Drop", root_ / "Badmail"} {
    fs::remove_all(root_);
    fs::create_directories(dirs_.pickup);
    folders_.AddFolder("support@example.com", kSupportUrl);
    folders_.AddFolder("sales@example.com", kSalesUrl);
  }
  ~PickupServiceTest() override { fs::remove_all(root_); }

  void Put(const std::string& name, const std::string& content) const {
    std::ofstream(dirs_.pickup / name, std::ios::binary) << content;
  }

  // Every name in the directory, hidden ones too, sorted.
  static std::vector<std::string> Listing(const fs::path& directory) {
    std::vector<std::string> names;
    if (!fs::exists(directory)) return names;
    for (const auto& entry : fs::directory_iterator(directory)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  PassSummary Pass(MailDelivery& delivery) {
    PickupService service(dirs_, delivery, log_);
    return service.RunPass();
  }
  PassSummary Pass() { return Pass(folders_); }

  fs::path root_;
  PickupDirectories dirs_;
  MemoryMailDelivery folders_;
  std::ostringstream log_;
};

using Names = std::vector<std::string>;

// ---------------------------------------------------------------------------
// Sending

TEST_F(PickupServiceTest, FolderRecipientIsDeliveredOtherIsDropped) {
  Put("1512026.eml", PickupFile({"Support <support@example.com>", "boss@example.org"}));

  EXPECT_EQ(Pass(), (PassSummary{1, 1, 1, 0, 0})) << log_.str();

  ASSERT_EQ(folders_.Messages().size(), 1u);
  EXPECT_EQ(folders_.Messages()[0],
            (MemoryMailDelivery::Delivered{kSupportUrl, kMessage, "1512026.eml"}));
  EXPECT_EQ(Listing(dirs_.drop), (Names{"1512026.2.eml"}));
  EXPECT_EQ(Read(dirs_.drop / "1512026.2.eml"),
            "x-receiver: boss@example.org\r\nx-sender: sender@example.net\r\n" + kMessage);
  EXPECT_EQ(Listing(dirs_.pickup), (Names{}));
  EXPECT_EQ(Listing(dirs_.queue), (Names{".lock"}));
  EXPECT_EQ(Listing(dirs_.badmail), (Names{}));
  EXPECT_NE(log_.str().find("1512026.eml: support@example.com: delivered to " + kSupportUrl +
                            " (stayed)"),
            std::string::npos)
      << log_.str();
  EXPECT_NE(log_.str().find("1512026.eml: boss@example.org: dropped as "), std::string::npos);
}

TEST_F(PickupServiceTest, FilesGoInNameOrderAndRecipientsInFileOrder) {
  Put("b.eml", PickupFile({"sales@example.com", "support@example.com"}));
  Put("a.eml", PickupFile({"support@example.com"}));
  EXPECT_EQ(Pass(), (PassSummary{2, 3, 0, 0, 0}));
  ASSERT_EQ(folders_.Messages().size(), 3u);
  EXPECT_EQ(folders_.Messages()[0].name, "a.eml");
  EXPECT_EQ(folders_.Messages()[1].folderUrl, kSalesUrl);
  EXPECT_EQ(folders_.Messages()[2].folderUrl, kSupportUrl);
}

TEST_F(PickupServiceTest, HiddenFilesAndOtherKindsStayUntouched) {
  Put(".quarvel-42.tmp", "x-sender: half written");
  fs::create_directories(dirs_.pickup / "folder.eml");
  const auto outside = root_ / "outside.eml";
  std::ofstream(outside) << PickupFile({"support@example.com"});
  fs::create_symlink(outside, dirs_.pickup / "link.eml");

  EXPECT_EQ(Pass(), PassSummary{});

  EXPECT_EQ(Listing(dirs_.pickup), (Names{".quarvel-42.tmp", "folder.eml", "link.eml"}));
  EXPECT_EQ(Read(dirs_.pickup / ".quarvel-42.tmp"), "x-sender: half written");
  EXPECT_TRUE(fs::exists(outside));
  EXPECT_TRUE(folders_.Messages().empty());
}

TEST_F(PickupServiceTest, NoFileIsSentTwice) {
  Put("one.eml", PickupFile({"support@example.com", "boss@example.org"}));
  EXPECT_EQ(Pass(), (PassSummary{1, 1, 1, 0, 0}));
  EXPECT_EQ(Pass(), PassSummary{});
  EXPECT_EQ(folders_.Messages().size(), 1u);
  EXPECT_EQ(Listing(dirs_.drop).size(), 1u);
}

TEST_F(PickupServiceTest, DropCopiesNeverReplaceAnotherFile) {
  fs::create_directories(dirs_.drop);
  std::ofstream(dirs_.drop / "m.1.eml") << "earlier";
  Put("m.eml", PickupFile({"boss@example.org"}));
  EXPECT_EQ(Pass().dropped, 1);
  EXPECT_EQ(Read(dirs_.drop / "m.1.eml"), "earlier");
  EXPECT_TRUE(Read(dirs_.drop / "m.1~2.eml").starts_with("x-receiver: boss@example.org\r\n"));
}

// ---------------------------------------------------------------------------
// Badmail

struct BadmailCase {
  const char* name;
  std::string content;
  std::string reason;
  friend void PrintTo(const BadmailCase& c, std::ostream* os) { *os << c.name; }
};

class PickupBadmailTest : public PickupServiceTest,
                          public ::testing::WithParamInterface<BadmailCase> {};

TEST_P(PickupBadmailTest, FileIsMovedByteExactWithItsReason) {
  Put("bad.eml", GetParam().content);
  EXPECT_EQ(Pass(), (PassSummary{1, 0, 0, 1, 0})) << log_.str();
  EXPECT_EQ(Listing(dirs_.badmail), (Names{"bad.eml", "bad.eml.reason"}));
  EXPECT_EQ(Read(dirs_.badmail / "bad.eml"), GetParam().content);
  EXPECT_EQ(Read(dirs_.badmail / "bad.eml.reason"), "bad.eml: " + GetParam().reason + "\n");
  EXPECT_EQ(Listing(dirs_.pickup), (Names{}));
  EXPECT_EQ(Listing(dirs_.queue), (Names{".lock"}));
  EXPECT_TRUE(folders_.Messages().empty());
  EXPECT_NE(log_.str().find("bad.eml: to Badmail as "), std::string::npos) << log_.str();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PickupBadmailTest,
    ::testing::Values(
        BadmailCase{"NoReceiver", "x-sender: s@example.net\r\n" + kMessage, "no x-receiver line"},
        BadmailCase{"NulInEnvelope",
                    "x-sender: s@example.net\r\nx-receiver: a\0@b.c\r\n"s + kMessage,
                    "line 2 (x-receiver): NUL byte in the envelope"},
        BadmailCase{"NoMessage", "x-sender: s@example.net\r\nx-receiver: r@example.com\r\n",
                    "no message after the envelope"}));

TEST_F(PickupServiceTest, LargeFileGoesToBadmailUnread) {
  Put("big.eml", "");
  fs::resize_file(dirs_.pickup / "big.eml", kMaxPickupFileSize + 1);  // sparse: cheap
  EXPECT_EQ(Pass(), (PassSummary{1, 0, 0, 1, 0}));
  EXPECT_EQ(fs::file_size(dirs_.badmail / "big.eml"), kMaxPickupFileSize + 1);
  EXPECT_EQ(Read(dirs_.badmail / "big.eml.reason"),
            "big.eml: the file is larger than 67108864 bytes\n");
}

TEST_F(PickupServiceTest, TakenBadmailNameGetsANumber) {
  fs::create_directories(dirs_.badmail);
  std::ofstream(dirs_.badmail / "x.eml") << "older";
  Put("x.eml", "garbage");
  EXPECT_EQ(Pass().badmail, 1);
  EXPECT_EQ(Read(dirs_.badmail / "x.eml"), "older");
  EXPECT_EQ(Read(dirs_.badmail / "x~2.eml"), "garbage");
  EXPECT_EQ(Read(dirs_.badmail / "x~2.eml.reason"), "x.eml: no x-sender line\n");
}

// A folder that refuses the message (access denied, a full disk, a busy
// store) is a temporary failure: the file waits in the queue, never in
// Badmail, and the next pass sends only the copies still missing.
TEST_F(PickupServiceTest, FailedFolderDeliveryLeavesTheFileForTheNextPass) {
  const auto content = PickupFile({"support@example.com", "boss@example.org", "sales@example.com"});
  Put("m.eml", content);
  // Calls: receipt files, receipts, folder of support, deliver, folder of
  // boss, receipt of the Drop copy, folder of sales, deliver.
  FailingMailDelivery failing(folders_, 8, kErrAccessDenied);
  EXPECT_EQ(Pass(failing), (PassSummary{1, 1, 1, 0, 1}));
  EXPECT_EQ(Listing(dirs_.queue), (Names{".lock", "m.eml"}));
  EXPECT_EQ(Listing(dirs_.badmail), (Names{}));
  EXPECT_NE(log_.str().find("m.eml: left for the next pass: delivery to sales@example.com (" +
                            kSalesUrl + ") failed: simulated failure of call 8 (0x80070005)"),
            std::string::npos)
      << log_.str();

  EXPECT_EQ(Pass(), (PassSummary{1, 1, 0, 0, 0}));
  ASSERT_EQ(folders_.Messages().size(), 2u);
  EXPECT_EQ(folders_.Messages()[1].folderUrl, kSalesUrl);
  EXPECT_EQ(Listing(dirs_.drop).size(), 1u);
  EXPECT_EQ(Listing(dirs_.queue), (Names{".lock"}));
  EXPECT_TRUE(folders_.ReceiptFiles().empty());
}

// Whichever store call fails, a second pass finishes the file: every
// recipient has exactly one copy, nothing is in Badmail, nothing is left.
TEST_F(PickupServiceTest, EveryFailingStoreCallKeepsTheMailAndDoublesNothing) {
  const auto content = PickupFile({"support@example.com", "boss@example.org", "sales@example.com"});
  for (int call = 1; call <= 9; ++call) {
    SCOPED_TRACE(call);
    fs::remove_all(dirs_.drop);
    Put("m.eml", content);
    MemoryMailDelivery store;
    store.AddFolder("support@example.com", kSupportUrl);
    store.AddFolder("sales@example.com", kSalesUrl);
    FailingMailDelivery failing(store, call);
    try {
      (void)Pass(failing);
    } catch (const PlatformError&) {
      EXPECT_EQ(call, 1);  // the receipts could not be read: the pass stops untouched
    }
    EXPECT_EQ(failing.Calls() >= call, true);
    (void)Pass(store);
    EXPECT_EQ(store.Messages().size(), 2u);
    EXPECT_EQ(Listing(dirs_.drop).size(), 1u);
    EXPECT_EQ(Listing(dirs_.pickup), (Names{}));
    EXPECT_EQ(Listing(dirs_.queue), (Names{".lock"}));
    EXPECT_EQ(Listing(dirs_.badmail), (Names{}));
    EXPECT_TRUE(store.ReceiptFiles().empty());
  }
}

// A Drop copy written just before a crash, whose receipt was never recorded,
// is found again and not written twice.
TEST_F(PickupServiceTest, DropCopyWrittenBeforeACrashIsNotWrittenAgain) {
  fs::create_directories(dirs_.drop);
  const auto content = PickupFile({"boss@example.org"});
  std::ofstream(dirs_.drop / "m.1.eml", std::ios::binary)
      << "x-receiver: boss@example.org\r\nx-sender: sender@example.net\r\n" + kMessage;
  std::ofstream(dirs_.drop / "other.1.eml") << "another file's copy";
  Put("m.eml", content);
  EXPECT_EQ(Pass(), (PassSummary{1, 0, 0, 0, 0}));
  EXPECT_EQ(Listing(dirs_.drop), (Names{"m.1.eml", "other.1.eml"}));
  EXPECT_NE(log_.str().find("m.eml: boss@example.org: has its copy already"), std::string::npos);
  Put("other.eml", PickupFile({"boss@example.org"}));
  EXPECT_EQ(Pass().dropped, 1);  // different content: a copy of its own
  EXPECT_EQ(Listing(dirs_.drop), (Names{"m.1.eml", "other.1.eml", "other.1~2.eml"}));
}

// ---------------------------------------------------------------------------
// Restarts and local failures

TEST_F(PickupServiceTest, LeftoverInTheQueueIsSentFirstSkippingCopiesMade) {
  fs::create_directories(dirs_.queue);
  const auto content = PickupFile({"support@example.com", "sales@example.com"});
  std::ofstream(dirs_.queue / "z.eml", std::ios::binary) << content;
  // The stopped pass had stored the first copy, with its receipt.
  folders_.RecordReceipt({PickupFileKey("z.eml", content), "support@example.com"});
  Put("a.eml", PickupFile({"sales@example.com"}));

  EXPECT_EQ(Pass(), (PassSummary{2, 2, 0, 0, 0})) << log_.str();

  ASSERT_EQ(folders_.Messages().size(), 2u);
  EXPECT_EQ(folders_.Messages()[0], (MemoryMailDelivery::Delivered{kSalesUrl, kMessage, "z.eml"}));
  EXPECT_EQ(folders_.Messages()[1].name, "a.eml");
  EXPECT_EQ(Listing(dirs_.queue), (Names{".lock"}));
  EXPECT_NE(log_.str().find("z.eml: support@example.com: has its copy already"), std::string::npos);
}

TEST_F(PickupServiceTest, StaleReceiptsDoNotCarryOverToANewFileOfThatName) {
  // A pass finished n.eml but stopped before it forgot the receipt; the same
  // mail arrives again under the same name.
  const auto content = PickupFile({"support@example.com"});
  folders_.RecordReceipt({PickupFileKey("n.eml", content), "support@example.com"});
  Put("n.eml", content);
  EXPECT_EQ(Pass(), (PassSummary{1, 1, 0, 0, 0}));
  EXPECT_EQ(Listing(dirs_.queue), (Names{".lock"}));
  EXPECT_TRUE(folders_.ReceiptFiles().empty());
}

TEST(PickupFileKeyTest, NamesTheFileByNameAndContent) {
  EXPECT_EQ(PickupFileKey("a.eml", "x"), PickupFileKey("a.eml", "x"));
  EXPECT_NE(PickupFileKey("a.eml", "x"), PickupFileKey("a.eml", "y"));
  EXPECT_NE(PickupFileKey("a.eml", "x"), PickupFileKey("b.eml", "x"));
  EXPECT_TRUE(PickupFileKey("a#b.eml", "x").starts_with("a#b.eml#"));
}

TEST_F(PickupServiceTest, QueueNameInUseGetsANumber) {
  fs::create_directories(dirs_.queue);
  // A leftover that cannot be sent yet (its Drop names are all taken) keeps
  // its name in the queue while a new file of the same name arrives.
  fs::create_directories(dirs_.drop);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::ofstream(dirs_.drop / CandidateName("q.1.eml", attempt)) << "taken";
  }
  std::ofstream(dirs_.queue / "q.eml", std::ios::binary) << PickupFile({"boss@example.org"});
  Put("q.eml", PickupFile({"support@example.com"}));

  EXPECT_EQ(Pass(), (PassSummary{2, 1, 0, 0, 1})) << log_.str();
  EXPECT_EQ(Listing(dirs_.queue), (Names{".lock", "q.eml"}));
  EXPECT_EQ(folders_.Messages().at(0).name, "q~2.eml");
}

TEST_F(PickupServiceTest, DropFailureKeepsTheFileAndTheNextPassSendsOnlyWhatIsMissing) {
  fs::create_directories(dirs_.drop);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::ofstream(dirs_.drop / CandidateName("m.2.eml", attempt)) << "taken";
  }
  Put("m.eml", PickupFile({"support@example.com", "boss@example.org"}));

  EXPECT_EQ(Pass(), (PassSummary{1, 1, 0, 0, 1}));
  EXPECT_EQ(Listing(dirs_.queue), (Names{".lock", "m.eml"}));
  EXPECT_NE(log_.str().find("m.eml: left for the next pass: no free name for m.2.eml"),
            std::string::npos)
      << log_.str();

  fs::remove(dirs_.drop / "m.2.eml");
  EXPECT_EQ(Pass(), (PassSummary{1, 0, 1, 0, 0}));
  EXPECT_EQ(folders_.Messages().size(), 1u);
  EXPECT_TRUE(Read(dirs_.drop / "m.2.eml").starts_with("x-receiver: boss@example.org\r\n"));
  EXPECT_EQ(Listing(dirs_.queue), (Names{".lock"}));
}

TEST_F(PickupServiceTest, BadmailOnAnotherFileSystemIsCopiedThenRemoved) {
  const fs::path shm = "/dev/shm";
  struct stat here {
  }, there{};
  if (::stat(root_.c_str(), &here) != 0 || ::stat(shm.c_str(), &there) != 0 ||
      here.st_dev == there.st_dev) {
    GTEST_SKIP() << "no second file system at /dev/shm";
  }
  dirs_.badmail = shm / root_.filename() / "Badmail";
  Put("bad.eml", "not a pickup file");
  EXPECT_EQ(Pass(), (PassSummary{1, 0, 0, 1, 0})) << log_.str();
  EXPECT_EQ(Read(dirs_.badmail / "bad.eml"), "not a pickup file");
  EXPECT_EQ(Listing(dirs_.badmail), (Names{"bad.eml", "bad.eml.reason"}));
  EXPECT_EQ(Listing(dirs_.queue), (Names{".lock"}));
  fs::remove_all(dirs_.badmail.parent_path());
}

TEST_F(PickupServiceTest, PassThatCannotUseItsDirectoriesThrows) {
  std::ofstream(root_ / "Queue") << "a file where the queue should be";
  Put("m.eml", PickupFile({"support@example.com"}));
  EXPECT_THROW(Pass(), PlatformError);
  EXPECT_EQ(Listing(dirs_.pickup), (Names{"m.eml"}));
}

// A store that takes its time, so that two services' passes overlap.
class SlowDelivery : public MemoryMailDelivery {
 public:
  std::string DeliverToFolder(const PublicFolder& folder, const std::string& message,
                              const std::string& name, const Receipt& receipt) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return MemoryMailDelivery::DeliverToFolder(folder, message, name, receipt);
  }
};

TEST_F(PickupServiceTest, TwoServicesOnOneDirectorySendEachFileOnce) {
  constexpr int kFiles = 60;
  for (int i = 0; i < kFiles; ++i) {
    Put("m" + std::to_string(100 + i) + ".eml", PickupFile({"support@example.com"}));
  }
  SlowDelivery first, second;
  first.AddFolder("support@example.com", kSupportUrl);
  second.AddFolder("support@example.com", kSupportUrl);
  std::ostringstream firstLog, secondLog;
  PickupService a(dirs_, first, firstLog), b(dirs_, second, secondLog);
  PassSummary fromA, fromB;
  std::thread other([&] {
    for (int i = 0; i < 10; ++i) fromB += b.RunPass();
  });
  for (int i = 0; i < 10; ++i) fromA += a.RunPass();
  other.join();

  EXPECT_EQ(fromA.deliveredToFolders + fromB.deliveredToFolders, kFiles);
  EXPECT_EQ(fromA.leftForLater + fromB.leftForLater, 0) << firstLog.str() << secondLog.str();
  std::set<std::string> names;
  for (const auto* store : {&first, &second}) {
    for (const auto& message : store->Messages()) EXPECT_TRUE(names.insert(message.name).second);
  }
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kFiles));
}

// ---------------------------------------------------------------------------
// Watching

TEST_F(PickupServiceTest, WatchRunsPassesUntilToldToStop) {
  Put("first.eml", PickupFile({"support@example.com"}));
  int asked = 0;
  std::chrono::milliseconds slept{0};
  PickupService service(dirs_, folders_, log_);
  const auto total = service.Watch(
      std::chrono::milliseconds(120), [&] { return ++asked <= 6; },
      [&](std::chrono::milliseconds time) {
        // A file arrives while the service waits.
        if (slept.count() == 0) Put("second.eml", PickupFile({"boss@example.org"}));
        slept += time;
      });
  // Asked before each pass and before each of the 50+50+20 ms slices: two
  // passes, then a "no" during the second wait.
  EXPECT_EQ(total, (PassSummary{2, 1, 1, 0, 0}));
  EXPECT_EQ(slept, std::chrono::milliseconds(120 + 50));
  EXPECT_EQ(Listing(dirs_.pickup), (Names{}));
}

TEST_F(PickupServiceTest, WatchReportsAFailedPassAndGoesOn) {
  std::ofstream(root_ / "Queue") << "a file where the queue should be";
  int passes = 0;
  PickupService service(dirs_, folders_, log_);
  const auto total = service.Watch(
      std::chrono::milliseconds(0), [&] { return ++passes <= 3; }, [](auto) {});
  EXPECT_EQ(total, PassSummary{});
  std::size_t reports = 0;
  for (auto at = log_.str().find("pickup pass failed: "); at != std::string::npos;
       at = log_.str().find("pickup pass failed: ", at + 1)) {
    ++reports;
  }
  EXPECT_EQ(reports, 3u);
}

// ---------------------------------------------------------------------------
// Parts

TEST(PickupPartsTest, DirectoriesComeFromTheVirtualServer) {
  const metabase::SmtpVirtualServer server{"/m/pickup", "/m/Queue", "/m/Drop", "/m/Badmail"};
  const auto dirs = DirectoriesOf(server);
  EXPECT_EQ(dirs.pickup, fs::path("/m/pickup"));
  EXPECT_EQ(dirs.queue, fs::path("/m/Queue"));
  EXPECT_EQ(dirs.drop, fs::path("/m/Drop"));
  EXPECT_EQ(dirs.badmail, fs::path("/m/Badmail"));
}

TEST(PickupPartsTest, CandidateNamesKeepTheExtension) {
  EXPECT_EQ(CandidateName("a.eml", 0), "a.eml");
  EXPECT_EQ(CandidateName("a.eml", 1), "a~2.eml");
  EXPECT_EQ(CandidateName("a.b.eml", 2), "a.b~3.eml");
  EXPECT_EQ(CandidateName("plain", 1), "plain~2");
}

TEST(PickupPartsTest, DescribePassCountsEverything) {
  EXPECT_EQ(DescribePass({3, 2, 1, 1, 0}),
            "3 files: 2 delivered to folders, 1 dropped, 1 to Badmail, 0 left for later.");
  EXPECT_EQ(DescribePass({1, 1, 0, 0, 0}),
            "1 file: 1 delivered to folders, 0 dropped, 0 to Badmail, 0 left for later.");
}

}  // namespace
}  // namespace quarvel::platform::smtp
