#include "platform/store/events/StoreEvents.h"

#include <vector>

#include "platform/PlatformError.h"
#include "platform/events/EventFlags.h"
#include "platform/events/IExStoreDispEventInfo.h"
#include "platform/events/IExStoreSyncEvents.h"
#include "platform/store/events/Criteria.h"
#include "platform/store/events/EventObservation.h"
#include "platform/store/events/Registration.h"
#include "platform/store/provider/StoreSession.h"

namespace quarvel::platform::store {

namespace {

class StoreEventInfo : public IExStoreDispEventInfo {
 public:
  StoreEventInfo(ado::Record& record, IObjectFactory& objects, EventObservation& observation)
      : record_(record), objects_(objects), observation_(observation) {}

  ado::Record& EventRecord() override { return record_; }
  IObjectFactory& Objects() override { return objects_; }
  void AbortChange(long) override { observation_.vetoed = true; }

 private:
  ado::Record& record_;
  IObjectFactory& objects_;
  EventObservation& observation_;
};

struct ActiveSink {
  std::string progId;
  std::unique_ptr<IUnknown> object;
  IExStoreSyncEvents* events = nullptr;
};

long FlagsFor(SaveKind kind, bool isNew) {
  long flags = isNew ? EVT_NEW_ITEM : 0;
  if (kind == SaveKind::kDelivered) flags |= EVT_IS_DELIVERED;
  if (kind == SaveKind::kReplicated) flags |= EVT_REPLICATED_ITEM;
  return flags;
}

void AddNote(std::string& notes, const std::string& note) {
  if (!notes.empty()) notes += "; ";
  notes += note;
}

}  // namespace

const char* EventName(SaveKind kind) {
  switch (kind) {
    case SaveKind::kDelivered: return "deliver";
    case SaveKind::kReplicated: return "replicate";
    case SaveKind::kPosted: return "post";
  }
  return "save";
}

StoreEvents::StoreEvents(PublicStore& store, StoreSession& session, SinkFactory& sinks,
                         EventJournal& journal)
    : store_(store), session_(session), sinks_(sinks), journal_(journal) {}

SaveResult StoreEvents::Save(const SaveRequest& request) {
  const bool isNew = !store_.ItemExists(request.item);
  store_.WriteItem(request.item, request.message, request.properties);
  const long flags = FlagsFor(request.kind, isNew);
  const auto url = session_.FileUrl(request.item);

  SaveResult result;
  result.entry.event = EventName(request.kind);
  result.entry.item = request.item.ToString();

  std::vector<ActiveSink> active;
  for (const auto& registration : RegistrationsFor(store_, request.item.Parent())) {
    const auto& progId = registration.sinkClass;
    if (!registration.problem.empty()) {
      AddNote(result.entry.sinks, progId + " not run: " + registration.problem);
      continue;
    }
    try {
      if (!CriteriaHold(registration.criteria, store_.ReadProperties(request.item))) continue;
    } catch (const PlatformError& error) {
      AddNote(result.entry.sinks, progId + " not run: " + error.Description());
      continue;
    }
    auto created = sinks_.CreateSink(progId);
    auto* events = created.object ? QueryInterface<IExStoreSyncEvents>(*created.object) : nullptr;
    if (events == nullptr) {
      AddNote(result.entry.sinks,
              progId + " not run: " +
                  (created.whyNot.empty() ? "no synchronous store events" : created.whyNot));
      continue;
    }
    active.push_back({progId, std::move(created.object), events});
  }

  EventObservation observation;
  const auto runPhase = [&](long phase) {
    for (auto& sink : active) {
      if (!store_.ItemExists(request.item)) return;
      try {
        auto record = session_.OpenEventRecord(url);
        ObservedRecord observedRecord(*record, observation);
        ObservedObjects observedObjects(session_, observation);
        StoreEventInfo info(observedRecord, observedObjects, observation);
        sink.events->OnSyncSave(&info, url, flags | phase);
      } catch (const std::exception& error) {
        AddNote(result.entry.sinks, sink.progId + " failed: " + error.what());
      } catch (...) {
        AddNote(result.entry.sinks, sink.progId + " failed");
      }
    }
  };
  runPhase(EVT_SYNC_BEGIN);
  const bool deletedInBegin = !store_.ItemExists(request.item);
  if (!deletedInBegin) runPhase(EVT_SYNC_COMMITTED);
  for (const auto& sink : active) AddNote(result.entry.sinks, sink.progId + " ran");
  if (result.entry.sinks.empty()) result.entry.sinks = "no sink";

  result.stayed = store_.ItemExists(request.item);
  if (result.stayed) {
    result.entry.outcome = "stayed";
  } else if (!observation.movedTo.empty()) {
    result.entry.outcome = "moved to " + observation.movedTo;
  } else if (!observation.savedFiles.empty()) {
    result.entry.outcome = "removed after forward through " + observation.savedFiles.back();
  } else {
    result.entry.outcome = "deleted";
  }
  journal_.Record(result.entry);
  return result;
}

}  // namespace quarvel::platform::store
