// exsim as separate processes on one server: several delivering into one
// folder at once, and processes killed (SIGKILL) at random points of deliver
// and smtp, after which every message must be accounted for.
//
// The crash matrix runs QUARVEL_CRASH_TRIALS trials (default 6; the seed is
// QUARVEL_CRASH_SEED) and prints its figures.
#include <SQLiteCpp/Database.h>

#include <cstdlib>
#include <iostream>
#include <random>
#include <set>

#include "platform/smtp/SpoolFiles.h"
#include "tools/exsim/ProcessTestSupport.h"

namespace quarvel::exsim::testing {
namespace {

using platform::store::StorePath;
using Clock = std::chrono::steady_clock;

const char* const kCrashRules =
    "ConditionHeader1=Subject\nConditionValue1=Spam: delete\nAction1=delete\nTarget1=<NULL>\n"
    "ConditionHeader2=Subject\nConditionValue2=Spam: move\nAction2=move to\n"
    "Target2=http://MAIL01/Public/Junk Mail/Quarantine\n"
    "ConditionHeader3=Subject\nConditionValue3=Spam: out\nAction3=forward to\n"
    "Target3=Boss <boss@example.org>\n"
    "ConditionHeader4=Subject\nConditionValue4=Spam: back\nAction4=forward to\n"
    "Target4=Support Requests <support@example.com>\n";

int EnvNumber(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

class ProcessesTest : public ServerFixture {
 protected:
  // A fresh server below the fixture's directory with the sink installed,
  // registered store-wide and given `rules` (its pickup directory filled in).
  fs::path NewServer(const std::string& name, const std::string& rules) {
    const auto root = directory_ / name;
    CreateSampleServer(root, false);
    SimulatedServer server(root);
    std::ofstream(directory_ / "bin" / "Quarvel.ini")
        << "[Quarvel RuleSet1]\n"
        << rules << "[Quarvel PickupDir]\nPath=" << (root / "pickup").string() << "\n";
    std::ostringstream out, err;
    EXPECT_EQ(InstallComponent(server, "Quarvel", ModulePath().string(), out, err), 0) << err.str();
    RegistrationRequest request;
    request.storeWide = true;
    EXPECT_EQ(AddRegistration(server, request, out, err), 0) << err.str();
    return root;
  }

  int Run(const fs::path& root, const std::vector<std::string>& args) {
    ExsimProcess process(root, args, directory_ / "children.log");
    return process.Wait();
  }

  std::string ChildLog() const { return ReadWhole(directory_ / "children.log"); }
};

TEST_F(ProcessesTest, SeveralProcessesDeliverIntoOneFolderAtOnce) {
  const auto root = NewServer("many", kCrashRules);
  constexpr int kProcesses = 6;
  constexpr int kMessages = 100;
  std::map<std::string, std::string> expected;  // token -> folder
  for (int p = 0; p < kProcesses; ++p) {
    const auto messages = directory_ / ("in" + std::to_string(p));
    fs::create_directories(messages);
    for (int i = 0; i < kMessages; ++i) {
      const auto token = "P" + std::to_string(p) + "x" + std::to_string(i);
      const bool moved = i % 4 == 0;
      // The same file names in every process: the store names the items apart.
      std::ofstream(messages / ("m" + std::to_string(i) + ".eml"), std::ios::binary)
          << TestMessage(token, moved ? "Spam: move" : "hello");
      expected[token] = moved ? "Junk Mail/Quarantine" : "Inbox";
    }
  }
  std::vector<std::unique_ptr<ExsimProcess>> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(std::make_unique<ExsimProcess>(
        root,
        std::vector<std::string>{"deliver", (directory_ / ("in" + std::to_string(p))).string(),
                                 "--to", "Inbox", "--threads", "2"},
        directory_ / "children.log"));
  }
  for (auto& child : children) EXPECT_EQ(child->Wait(), 0) << ChildLog();

  SimulatedServer server(root);
  const auto copies = Census(server);
  EXPECT_EQ(copies.size(), expected.size());
  for (const auto& [token, folder] : expected) {
    const auto found = copies.find(token);
    ASSERT_NE(found, copies.end()) << token << " is lost";
    ASSERT_EQ(found->second.size(), 1u) << token;
    EXPECT_EQ(found->second[0].where, folder) << token;
  }
  EXPECT_EQ(server.Journal().Entries().size(), expected.size());
}

TEST_F(ProcessesTest, TwentyProcessesDeliveringOneFileMakeTwentyItems) {
  const auto root = NewServer("one", "");
  const auto file = directory_ / "offer.eml";
  std::ofstream(file, std::ios::binary) << TestMessage("T", "offer");
  std::vector<std::unique_ptr<ExsimProcess>> children;
  for (int p = 0; p < 20; ++p) {
    children.push_back(std::make_unique<ExsimProcess>(
        root, std::vector<std::string>{"deliver", file.string(), "--to", "Sales"},
        directory_ / "children.log"));
  }
  for (auto& child : children) EXPECT_EQ(child->Wait(), 0) << ChildLog();
  SimulatedServer server(root);
  const auto items = server.Store().Items(StorePath{{"Sales"}});
  std::set<std::string> names;
  for (const auto& item : items) names.insert(item.Name());
  EXPECT_EQ(items.size(), 20u);
  EXPECT_TRUE(names.contains("offer.eml"));
  EXPECT_TRUE(names.contains("offer-20.eml"));
  EXPECT_EQ(server.Journal().Entries().size(), 20u);
}

// deliver and smtp killed at random points; then recovery, a retry of what
// was never saved (as a sending server retries), and smtp to the end.
// Nothing may be lost, smtp may store no copy twice, no item may lack its
// properties, and nothing may be left half-done.
TEST_F(ProcessesTest, CrashMatrixLosesNothingAndSmtpDoublesNothing) {
  const int trials = EnvNumber("QUARVEL_CRASH_TRIALS", 6);
  std::mt19937 random(static_cast<unsigned>(EnvNumber("QUARVEL_CRASH_SEED", 20261207)));
  constexpr int kMessages = 100;
  const char* const kinds[] = {"stay", "delete", "move", "out", "back"};
  const auto messages = directory_ / "crash-in";
  fs::create_directories(messages);
  for (int i = 0; i < kMessages; ++i) {
    char token[16];
    std::snprintf(token, sizeof token, "T%04d", i);
    const std::string kind = kinds[i % 5];
    std::ofstream(messages / (std::string(token) + ".eml"), std::ios::binary)
        << TestMessage(token, kind == "stay" ? "hello" : "Spam: " + kind);
  }

  int killed = 0, lost = 0, smtpDoubled = 0, forwardedTwice = 0, bare = 0, leftovers = 0;
  Clock::duration deliverTime{}, smtpTime{};
  for (int trial = 0; trial < trials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const auto root = NewServer("crash" + std::to_string(trial), kCrashRules);
    const auto kill = [&](const std::vector<std::string>& args, Clock::duration typical) {
      const auto started = Clock::now();
      ExsimProcess process(root, args, directory_ / "children.log");
      if (trial == 0) {  // the first trial measures how long each step takes
        (void)process.Wait();
        return Clock::now() - started;
      }
      const auto limit = std::chrono::duration_cast<std::chrono::microseconds>(typical) * 9 / 10;
      std::this_thread::sleep_for(std::chrono::microseconds(
          std::uniform_int_distribution<long>(0, std::max<long>(1, limit.count()))(random)));
      process.Kill();
      if (process.Wait() == -SIGKILL) ++killed;
      return Clock::duration{};
    };

    const auto tookDeliver =
        kill({"deliver", messages.string(), "--to", "Inbox", "--threads", "2"}, deliverTime);
    if (trial == 0) deliverTime = tookDeliver;
    EXPECT_EQ(Run(root, {"recover"}), 0) << ChildLog();
    // The sending server delivers again what was never saved.
    std::set<std::string> saved;
    {
      SimulatedServer server(root);
      for (const auto& entry : server.Journal().Entries()) saved.insert(entry.item);
    }
    const auto retry = directory_ / ("retry" + std::to_string(trial));
    fs::create_directories(retry);
    int missing = 0;
    for (const auto& entry : fs::directory_iterator(messages)) {
      if (saved.contains("Inbox/" + entry.path().filename().string())) continue;
      fs::copy_file(entry.path(), retry / entry.path().filename());
      ++missing;
    }
    if (missing > 0) {
      EXPECT_EQ(Run(root, {"deliver", retry.string(), "--to", "Inbox"}), 0) << ChildLog();
    }

    const auto tookSmtp = kill({"smtp"}, smtpTime);
    if (trial == 0) smtpTime = tookSmtp;
    for (int pass = 0; pass < 3; ++pass) (void)Run(root, {"smtp"});

    SimulatedServer server(root);
    const auto copies = Census(server);
    const auto entries = server.Journal().Entries();
    for (int i = 0; i < kMessages; ++i) {
      char token[16];
      std::snprintf(token, sizeof token, "T%04d", i);
      const std::string kind = kinds[i % 5];
      const auto found = copies.find(token);
      const std::vector<Copy> none;
      const auto& where = found == copies.end() ? none : found->second;
      if (kind == "delete") {
        const bool deleted = std::any_of(entries.begin(), entries.end(), [&](const auto& e) {
          return e.item == "Inbox/" + std::string(token) + ".eml" && e.outcome == "deleted";
        });
        if (!deleted || !where.empty()) ++lost;
        continue;
      }
      const std::string folder = kind == "stay"   ? "Inbox"
                                 : kind == "move" ? "Junk Mail/Quarantine"
                                 : kind == "out"  ? "Drop"
                                                  : "Support Requests";
      std::map<std::string, int> perPickupFile;
      int inPlace = 0;
      for (const auto& copy : where) {
        if (copy.where == folder) {
          ++inPlace;
          ++perPickupFile[PickupStem(copy.name)];
        }
      }
      if (inPlace == 0 || inPlace != static_cast<int>(where.size())) {
        ++lost;
        ADD_FAILURE() << token << " (" << kind << "): " << where.size() << " copies, " << inPlace
                      << " in " << folder;
        continue;
      }
      if (kind == "stay" || kind == "move") {
        EXPECT_EQ(inPlace, 1) << token;
        continue;
      }
      for (const auto& [file, count] : perPickupFile) {
        if (count > 1) ++smtpDoubled;
      }
      if (perPickupFile.size() > 1) ++forwardedTwice;
    }
    SQLite::Database shell(root / "store.db", SQLite::OPEN_READONLY, 5000);
    bare += shell
                .execAndGet(
                    "SELECT count(*) FROM items WHERE id NOT IN (SELECT item FROM "
                    "properties)")
                .getInt();
    EXPECT_EQ(shell.execAndGet("SELECT count(*) FROM pending_commits").getInt(), 0);
    EXPECT_EQ(shell.execAndGet("SELECT count(*) FROM delivery_receipts").getInt(), 0);
    EXPECT_TRUE(platform::smtp::SpoolFileNames(root / "Queue").empty());
    EXPECT_TRUE(platform::smtp::SpoolFileNames(root / "pickup").empty());
    for (const auto& file : LeftoverFiles(root)) {
      ++leftovers;
      ADD_FAILURE() << "left behind: " << file;
    }
  }
  std::cout << "crash matrix: " << trials << " trials, " << killed << " processes killed, " << lost
            << " lost, " << smtpDoubled << " doubled by smtp, " << forwardedTwice
            << " forwards sent twice, " << bare << " items without properties, " << leftovers
            << " temporary files\n";
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(smtpDoubled, 0);
  EXPECT_EQ(bare, 0);
  EXPECT_EQ(leftovers, 0);
}

}  // namespace
}  // namespace quarvel::exsim::testing
