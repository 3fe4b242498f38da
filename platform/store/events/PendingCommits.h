// Saves whose commit phase has not finished, kept durably in the store
// database's table `pending_commits`: a save that commits with sinks to call
// adds its row in the same transaction, and the end of its commit phase
// removes it. A row left behind by a process that died is what recovery
// (StoreEvents::Recover) finds and finishes.
//
// Each row names the process running the commit phase (boot, process id and
// start time, so that a recycled process id does not pass for the old
// process): rows of a process that is still alive are never taken from it.
// Thread-safe and safe across processes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/PublicStore.h"

namespace quarvel::platform::store {

struct PendingCommit {
  std::int64_t id = 0;
  std::optional<std::int64_t> journal;  // the save's journal entry, when written
  std::int64_t item = 0;                // the item's row id
  StorePath path;                       // where it was saved
  long flags = 0;                       // the save's event flags
  std::vector<std::string> sinks;       // ProgIDs in calling order
  std::string owner;
};

// This process, as pending rows name their owner (read afresh from /proc).
[[nodiscard]] std::string ThisProcess();
// Whether the process an owner text names is running now.
[[nodiscard]] bool ProcessAlive(const std::string& owner);

// Inside a transaction on `c`: adds the row and returns its id.
std::int64_t InsertPendingCommit(StoreConnection& c, const PendingCommit& commit);
void RemovePendingCommit(StoreConnection& c, std::int64_t id);

// The rows whose owner is no longer running, oldest first. A row that cannot
// be read is skipped.
[[nodiscard]] std::vector<PendingCommit> OrphanedPendingCommits(const PublicStore& store);
// Makes `owner` the row's owner if `commit.owner` still owns it; false when
// another process took it first.
[[nodiscard]] bool ClaimPendingCommit(const PublicStore& store, const PendingCommit& commit,
                                      const std::string& owner);

}  // namespace quarvel::platform::store
