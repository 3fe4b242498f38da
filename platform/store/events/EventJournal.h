// The store's event journal: for every saved item, which sinks ran and what
// became of the item. It is the platform's own tracking (the sinks log
// nothing), kept in the store database's table `journal`, one row per saved
// item:
//   time  event  item  sinks  outcome
// e.g. 2026-12-07T08:40:12Z  deliver  Inbox/offer.eml  Quarvel.QuarvelCls ran  moved to …
//
// A save writes its entry in its own transaction (Insert), with the outcome
// "commit phase pending" when a commit phase is still to run, and the commit
// phase's end rewrites sinks and outcome (Update). Thread-safe and safe
// across processes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/PublicStore.h"

namespace quarvel::platform::store {

struct JournalEntry {
  std::string time;     // UTC, ISO 8601; filled in when empty
  std::string event;    // "deliver", "replicate" or "post"
  std::string item;     // the item's path in the tree, as saved
  std::string sinks;    // e.g. "Quarvel.QuarvelCls ran; Other.Sink not run: …"
  std::string outcome;  // "stayed", "deleted", "moved to URL", "removed after forward through FILE"
  bool operator==(const JournalEntry&) const = default;
};

// The outcome of a save whose commit phase has not finished.
inline constexpr const char* kOutcomeCommitPending = "commit phase pending";

class EventJournal {
 public:
  explicit EventJournal(const PublicStore& store) : store_(store) {}

  // Adds an entry in a transaction of its own. Throws PlatformError when it
  // cannot be written.
  void Record(JournalEntry entry);

  // Every entry in order, or the last `tail` of them. A field the database
  // holds as something else than text is shown as text.
  [[nodiscard]] std::vector<JournalEntry> Entries(std::optional<std::size_t> tail = {}) const;

  // Inside a transaction on `c`: adds the entry (time filled in) and returns its row id.
  static std::int64_t Insert(StoreConnection& c, JournalEntry& entry);
  static void Update(StoreConnection& c, std::int64_t id, const std::string& sinks,
                     const std::string& outcome);

 private:
  const PublicStore& store_;
};

}  // namespace quarvel::platform::store
