// The store's event journal: for every saved item, which sinks ran and what
// became of the item. It is the platform's own tracking (the sinks log
// nothing), kept as a text file of one line per saved item, fields separated
// by TABs:
//   time  event  item  sinks  outcome
// e.g. 2026-12-07T08:40:12Z  deliver  Inbox/offer.eml  Quarvel.QuarvelCls ran  moved to …
//
// Thread-safe and safe across processes: each entry is one append.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace quarvel::platform::store {

struct JournalEntry {
  std::string time;     // UTC, ISO 8601; filled in by Record when empty
  std::string event;    // "deliver", "replicate" or "post"
  std::string item;     // the item's path in the tree, as saved
  std::string sinks;    // e.g. "Quarvel.QuarvelCls ran; Other.Sink not run: …"
  std::string outcome;  // "stayed", "deleted", "moved to URL", "removed after forward to FILE"
};

class EventJournal {
 public:
  explicit EventJournal(std::filesystem::path file);

  // Throws PlatformError when the journal cannot be written.
  void Record(JournalEntry entry);

  // Every entry in order; a missing journal has none. Lines that are not
  // entries are skipped.
  [[nodiscard]] std::vector<JournalEntry> Entries() const;

  [[nodiscard]] const std::filesystem::path& File() const { return file_; }

 private:
  std::filesystem::path file_;
  std::mutex mutex_;
};

}  // namespace quarvel::platform::store
