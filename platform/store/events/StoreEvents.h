// Saving items with store events: the store writes the item, finds the
// registrations that apply to its folder, creates each registered sink
// through the component host, and calls it as the real store does: the begin
// phase of every sink in priority order with the item open for writing, then
// (unless a sink deleted the item) the commit phase on the same objects and
// thread. Every save ends with one journal entry.
//
// Saves may run on several threads at once; each call uses only its own
// objects, and the store, session, host and journal it is given are
// thread-safe. A sink that throws is treated as failed and the save goes on.
#pragma once

#include <memory>
#include <string>

#include "platform/com/IUnknown.h"
#include "platform/store/PublicStore.h"
#include "platform/store/events/EventJournal.h"

namespace quarvel::platform::store {

class StoreSession;

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
  StorePath item;
  std::string message;
  PropertyMap properties;
  SaveKind kind = SaveKind::kDelivered;
};

struct SaveResult {
  JournalEntry entry;  // as journalled
  bool stayed = true;  // the item is still where it was saved
};

class StoreEvents {
 public:
  StoreEvents(PublicStore& store, StoreSession& session, SinkFactory& sinks, EventJournal& journal);

  // Throws PlatformError when the item cannot be written; sink failures never
  // reach the caller.
  SaveResult Save(const SaveRequest& request);

 private:
  PublicStore& store_;
  StoreSession& session_;
  SinkFactory& sinks_;
  EventJournal& journal_;
};

[[nodiscard]] const char* EventName(SaveKind kind);

}  // namespace quarvel::platform::store
