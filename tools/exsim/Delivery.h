// Putting message files into a public folder as the server would: delivered
// by mail, arrived by replication, or posted directly. Every message raises
// the folder's store events. Messages go in batches that commit together
// (one sync for many), on one or several threads.
//
// A message file that cannot be read is reported and skipped. When Deliver
// returns, every message it counts as saved is on disk.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/server/SimulatedServer.h"
#include "platform/store/DeliveryReceipts.h"
#include "platform/store/events/StoreEvents.h"

namespace quarvel::exsim {

// exsim works on the platform's simulated server.
using platform::server::SimulatedServer;

// How many messages one thread saves in one transaction.
inline constexpr std::size_t kDeliveryBatch = 256;

struct DeliveryOptions {
  std::string to;  // folder URL, path or e-mail address
  std::optional<int> spamConfidenceLevel;
  std::string messageClass = "IPM.Note";
  platform::store::SaveKind kind = platform::store::SaveKind::kDelivered;
  int threads = 1;
  bool showProgress = true;
};

struct DeliverySummary {
  int saved = 0;
  int failed = 0;  // unreadable files and store failures
  int stayed = 0;
  int deleted = 0;
  int moved = 0;
  int forwarded = 0;
  std::set<std::string> warnings;  // registrations not honoured, journal not written
  std::vector<platform::store::JournalEntry> entries;  // one per saved message
};

// The message files named: files as given, directories by their regular,
// non-hidden files in name order. Throws std::runtime_error for a path that
// does not exist.
[[nodiscard]] std::vector<std::filesystem::path> CollectMessageFiles(
    const std::vector<std::filesystem::path>& inputs);

// Saves every file into the folder (which must take mail: see
// SimulatedServer::ResolveDeliveryFolder); progress and errors go to `log`.
DeliverySummary Deliver(SimulatedServer& server, const std::vector<std::filesystem::path>& files,
                        const DeliveryOptions& options, std::ostream& log);

// Saves one message held in memory (the SMTP service's path), with the
// service's receipt in the same transaction when given. Throws PlatformError
// when it was not saved.
platform::store::SaveResult DeliverMessage(
    SimulatedServer& server, const platform::store::StorePath& folder, const std::string& name,
    const std::string& message, const DeliveryOptions& options,
    std::optional<platform::store::DeliveryReceipt> receipt = std::nullopt);

// Finishes the saves that a crashed process left without their commit phase;
// reports them to `log` when there were any. Throws PlatformError.
platform::store::RecoverySummary RecoverSaves(SimulatedServer& server, std::ostream& log);

// "Saved 10: 3 stayed, 4 deleted, 2 moved, 1 forwarded; 0 failed." and a
// "Warning: ..." line for each warning.
[[nodiscard]] std::string DescribeSummary(const DeliverySummary& summary);

}  // namespace quarvel::exsim
