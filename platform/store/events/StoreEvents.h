// Saving items with store events, as the real store does it:
//  1. the store finds the registrations that apply to the item's folder
//     (through the registration index), creates each registered sink through
//     the component host, and calls the begin phase of every sink in
//     priority order with the item open for writing - the item is still
//     pending, in memory (PendingItem.h);
//  2. one transaction then commits the item with the begin phase's property
//     writes (or nothing, when a sink deleted it), its journal line, the
//     SMTP service's delivery receipt if any, and - when there is a commit
//     phase to run - a durable note of it (PendingCommits.h). The saves of
//     one SaveAll, and of other threads saving at the same time, share that
//     transaction and its one sync (GroupCommit.h);
//  3. after the commit, the commit phase runs on the same sink objects and
//     thread, and its end rewrites the journal line and drops the note.
// A save whose process died between 2 and 3 is finished by Recover().
//
// Saves may run on several threads at once; each call uses only its own
// objects. A sink that throws is treated as failed and the save goes on. A
// journal line that cannot be written is a warning, not a failed save.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/com/IUnknown.h"
#include "platform/store/DeliveryReceipts.h"
#include "platform/store/PublicStore.h"
#include "platform/store/events/EventJournal.h"

namespace quarvel::platform::store {

class StoreSession;
struct EventObservation;

// Creates registered sinks by ProgID; `whyNot` says why `object` is missing.
class SinkFactory {
 public:
  struct Created {
    std::unique_ptr<IUnknown> object;
    std::string whyNot;
  };
  virtual ~SinkFactory() = default;
  virtual Created CreateSink(const std::string& progId) = 0;
};

enum class SaveKind {
  kDelivered,   // arrived by mail delivery
  kReplicated,  // arrived by replication
  kPosted,      // created directly in the folder
};

struct SaveRequest {
  // Where the item goes. A new item is always made: when the name is taken,
  // the item is named "<stem>-2<ext>", "<stem>-3<ext>", ... instead.
  StorePath item;
  std::string message;
  PropertyMap properties;
  SaveKind kind = SaveKind::kDelivered;
  // Recorded in the save's own transaction: stored and receipted together.
  std::optional<DeliveryReceipt> receipt;
};

struct SaveResult {
  JournalEntry entry;  // as journalled
  bool stayed = true;  // the item is still where it was saved
  StorePath item;      // where it was saved
  // Registrations that could not be honoured, a journal line not written.
  std::vector<std::string> warnings;
};

// One request's end in SaveAll: a result, or why nothing was saved.
struct SaveOutcome {
  std::optional<SaveResult> result;
  std::optional<PlatformError> error;
};

struct RecoverySummary {
  int finished = 0;     // commit phases run again
  int alreadyGone = 0;  // items that had left their folder: the commit phase had acted
  std::vector<std::string> notes;
};

class StoreEvents {
 public:
  // The journal is the store's own (EventJournal reads it).
  StoreEvents(PublicStore& store, StoreSession& session, SinkFactory& sinks);

  // One save. Throws PlatformError when the item was not saved (its folder
  // is missing or denies access, the database failed); sink failures never
  // reach the caller.
  SaveResult Save(SaveRequest request);

  // Several saves, committed together; one outcome per request, in order.
  std::vector<SaveOutcome> SaveAll(std::vector<SaveRequest> requests);

  // Finishes the saves that a process which is no longer running committed
  // without running their commit phase: each sink sees the begin phase on a
  // scratch copy of the item (thrown away; it only lets the sink load its
  // settings again), then the commit phase on the item itself. A forward may
  // thereby be sent twice, never lost. Makes everything durable before it
  // returns. Throws PlatformError when the store cannot be read.
  RecoverySummary Recover();

 private:
  struct SaveWork;
  struct ActiveSink;
  struct FolderFacts;

  void Prepare(SaveWork& save, std::map<StorePath, FolderFacts>& folders);
  std::vector<ActiveSink> CreateSinks(const std::vector<std::string>& progIds, std::string& notes);
  void RunPhase(std::vector<ActiveSink>& sinks, StoreOperations& operations, const StorePath& item,
                long flags, EventObservation& observation, std::string& notes);

  PublicStore& store_;
  StoreSession& session_;
  SinkFactory& sinks_;
  std::string owner_;  // this process, as pending commits name it
};

[[nodiscard]] const char* EventName(SaveKind kind);

}  // namespace quarvel::platform::store
