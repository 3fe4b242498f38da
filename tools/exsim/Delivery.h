// Putting message files into a public folder as the server would: delivered
// by mail, arrived by replication, or posted directly. Every message raises
// the folder's store events. Messages may go in on several threads.
//
// A message file that cannot be read is reported and skipped; nothing that
// was read is lost: each item is written before any sink sees it.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/events/StoreEvents.h"
#include "tools/exsim/SimulatedServer.h"

namespace quarvel::exsim {

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
  std::vector<platform::store::JournalEntry> entries;  // one per saved message
};

// The message files named: files as given, directories by their regular,
// non-hidden files in name order. Throws std::runtime_error for a path that
// does not exist.
[[nodiscard]] std::vector<std::filesystem::path> CollectMessageFiles(
    const std::vector<std::filesystem::path>& inputs);

// Saves every file into the folder; progress and errors go to `log`.
DeliverySummary Deliver(SimulatedServer& server, const std::vector<std::filesystem::path>& files,
                        const DeliveryOptions& options, std::ostream& log);

// Saves one message held in memory (the SMTP service's path).
platform::store::SaveResult DeliverMessage(SimulatedServer& server,
                                           const platform::store::StorePath& folder,
                                           const std::string& name, const std::string& message,
                                           const DeliveryOptions& options);

// "Delivered 10: 3 stayed, 4 deleted, 2 moved, 1 forwarded, 0 failed."
[[nodiscard]] std::string DescribeSummary(const DeliverySummary& summary);

}  // namespace quarvel::exsim
