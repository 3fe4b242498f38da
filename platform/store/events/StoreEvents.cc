#include "platform/store/events/StoreEvents.h"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/events/EventFlags.h"
#include "platform/events/IExStoreDispEventInfo.h"
#include "platform/events/IExStoreSyncEvents.h"
#include "platform/store/GroupCommit.h"
#include "platform/store/StoreRows.h"
#include "platform/store/events/Criteria.h"
#include "platform/store/events/EventObservation.h"
#include "platform/store/events/PendingCommits.h"
#include "platform/store/events/PendingItem.h"
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

// The store's objects, working where the event's record works.
class ObjectsOn : public IObjectFactory {
 public:
  ObjectsOn(StoreSession& session, StoreOperations& operations)
      : session_(session), operations_(operations) {}
  std::unique_ptr<IUnknown> CreateObject(std::string_view progId) override {
    return session_.CreateObjectOn(progId, operations_);
  }

 private:
  StoreSession& session_;
  StoreOperations& operations_;
};

long FlagsFor(SaveKind kind) {
  long flags = EVT_NEW_ITEM;  // every save makes a new item
  if (kind == SaveKind::kDelivered) flags |= EVT_IS_DELIVERED;
  if (kind == SaveKind::kReplicated) flags |= EVT_REPLICATED_ITEM;
  return flags;
}

void AddNote(std::string& notes, const std::string& note) {
  if (!notes.empty()) notes += "; ";
  notes += note;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) AddNote(text, part);
  return text;
}

// What became of an item after its commit phase, for the journal.
std::string Outcome(bool stayed, const EventObservation& observation) {
  if (stayed) {
    auto reasons = observation.refusals;
    for (const auto& file : observation.savedFiles) {
      if (!CurrentPath(file)) reasons.push_back("the message file " + file.path + " is gone");
    }
    return reasons.empty() ? "stayed" : "stayed: " + Joined(reasons);
  }
  if (!observation.movedTo.empty()) return "moved to " + observation.movedTo;
  if (!observation.savedFiles.empty()) {
    const auto& file = observation.savedFiles.back();
    const auto now = CurrentPath(file);
    return "removed after forward through " + (now ? *now : file.path + " (no longer there)");
  }
  return "deleted";
}

}  // namespace

struct StoreEvents::ActiveSink {
  std::string progId;
  std::unique_ptr<IUnknown> object;
  IExStoreSyncEvents* events = nullptr;
};

// What one batch needs to know of a folder it saves into.
struct StoreEvents::FolderFacts {
  std::optional<PlatformError> error;  // the folder cannot take items
  std::vector<Registration> registrations;
};

// One request on its way through SaveAll.
struct StoreEvents::SaveWork {
  SaveRequest request;
  long flags = 0;
  std::vector<ActiveSink> sinks;
  std::string notes;  // the journal's sinks column
  std::vector<std::string> warnings;
  EventObservation observation;
  std::unique_ptr<PendingItem> pending;
  std::optional<PlatformError> error;
  // Filled in by the commit.
  JournalEntry entry;
  StorePath saved;
  std::optional<std::int64_t> journalId;
  std::optional<std::int64_t> pendingId;
};

const char* EventName(SaveKind kind) {
  switch (kind) {
    case SaveKind::kDelivered:
      return "deliver";
    case SaveKind::kReplicated:
      return "replicate";
    case SaveKind::kPosted:
      return "post";
  }
  return "save";
}

StoreEvents::StoreEvents(PublicStore& store, StoreSession& session, SinkFactory& sinks)
    : store_(store), session_(session), sinks_(sinks), owner_(ThisProcess()) {}

SaveResult StoreEvents::Save(SaveRequest request) {
  std::vector<SaveRequest> one;
  one.push_back(std::move(request));
  auto outcome = std::move(SaveAll(std::move(one)).front());
  if (outcome.error) throw *outcome.error;
  return std::move(*outcome.result);
}

std::vector<StoreEvents::ActiveSink> StoreEvents::CreateSinks(
    const std::vector<std::string>& progIds, std::string& notes) {
  std::vector<ActiveSink> active;
  for (const auto& progId : progIds) {
    auto created = sinks_.CreateSink(progId);
    auto* events = created.object ? QueryInterface<IExStoreSyncEvents>(*created.object) : nullptr;
    if (events == nullptr) {
      AddNote(notes, progId + " not run: " +
                         (created.whyNot.empty() ? "no synchronous store events" : created.whyNot));
      continue;
    }
    active.push_back({progId, std::move(created.object), events});
  }
  return active;
}

void StoreEvents::RunPhase(std::vector<ActiveSink>& sinks, StoreOperations& operations,
                           const StorePath& item, long flags, EventObservation& observation,
                           std::string& notes) {
  const auto url = session_.FileUrl(item);
  for (auto& sink : sinks) {
    std::unique_ptr<ado::Record> record;
    try {
      record = session_.OpenEventRecord(url, &operations);
    } catch (const PlatformError& error) {
      if (error.Number() == kErrNotFound) return;  // an earlier sink took the item away
      AddNote(notes, sink.progId + " failed: " + error.Description());
      continue;
    }
    try {
      ObservedRecord observedRecord(*record, observation);
      ObjectsOn objects(session_, operations);
      ObservedObjects observedObjects(objects, observation);
      StoreEventInfo info(observedRecord, observedObjects, observation);
      sink.events->OnSyncSave(&info, url, flags);
    } catch (const std::exception& error) {
      AddNote(notes, sink.progId + " failed: " + error.what());
    } catch (...) {
      AddNote(notes, sink.progId + " failed");
    }
  }
}

void StoreEvents::Prepare(SaveWork& save, std::map<StorePath, FolderFacts>& folders) {
  const auto folder = save.request.item.Parent();
  save.flags = FlagsFor(save.request.kind);
  save.entry.event = EventName(save.request.kind);
  save.entry.item = save.request.item.ToString();
  try {
    // What a folder says is looked up once per batch.
    auto known = folders.find(folder);
    if (known == folders.end()) {
      FolderFacts facts;
      try {
        // A save into a folder that cannot take it fails before any sink runs.
        if (store_.ReadFolder(folder).accessDenied) {
          throw PlatformError(kErrAccessDenied, "access denied: " + folder.ToString());
        }
        facts.registrations = RegistrationsFor(store_, folder);
      } catch (const PlatformError& error) {
        facts.error = error;
      }
      known = folders.emplace(folder, std::move(facts)).first;
    }
    if (known->second.error) throw *known->second.error;
    CheckName(save.request.item.Name());
    save.pending =
        std::make_unique<PendingItem>(store_, save.request.item, std::move(save.request.message),
                                      StoredProperties{std::move(save.request.properties), {}});

    std::vector<std::string> progIds;
    for (const auto& registration : known->second.registrations) {
      const auto& progId = registration.sinkClass;
      if (!registration.problem.empty()) {
        AddNote(save.notes, progId + " not run: " + registration.problem);
        save.warnings.push_back("registration " + registration.item.ToString() +
                                " not honoured: " + registration.problem);
        continue;
      }
      try {
        if (!CriteriaHold(registration.criteria, save.pending->Properties().values)) continue;
      } catch (const PlatformError& error) {
        AddNote(save.notes, progId + " not run: " + error.Description());
        save.warnings.push_back("registration " + registration.item.ToString() +
                                " not honoured: " + error.Description());
        continue;
      }
      progIds.push_back(progId);
    }
    save.sinks = CreateSinks(progIds, save.notes);
  } catch (const PlatformError& error) {
    save.error = error;
    return;
  }
  RunPhase(save.sinks, *save.pending, save.request.item, save.flags | EVT_SYNC_BEGIN,
           save.observation, save.notes);
}

std::vector<SaveOutcome> StoreEvents::SaveAll(std::vector<SaveRequest> requests) {
  std::vector<SaveWork> saves(requests.size());
  std::map<StorePath, FolderFacts> folders;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    saves[i].request = std::move(requests[i]);
    Prepare(saves[i], folders);
  }

  // One transaction for all of them, shared with other threads' saves.
  std::vector<GroupCommit::Step> steps;
  std::vector<SaveWork*> committing;
  for (auto& save : saves) {
    if (save.error) continue;
    committing.push_back(&save);
    steps.emplace_back([&save, this](StoreConnection& c) {
      const bool deleted = save.pending->Deleted();
      std::optional<std::int64_t> itemId;
      if (deleted) {
        save.saved = save.request.item;
      } else {
        auto [path, id] = rows::InsertNewItem(c, save.request.item, save.pending->Message(),
                                              save.pending->Properties());
        save.saved = std::move(path);
        itemId = id;
      }
      const bool commitPhase = !deleted && !save.sinks.empty();
      save.entry.item = save.saved.ToString();
      std::string sinks = save.notes;
      for (const auto& sink : save.sinks) AddNote(sinks, sink.progId + " ran");
      save.entry.sinks = sinks.empty() ? "no sink" : sinks;
      save.entry.outcome = deleted ? "deleted" : commitPhase ? kOutcomeCommitPending : "stayed";
      c.Exec("SAVEPOINT journal");
      try {
        save.journalId = EventJournal::Insert(c, save.entry);
        c.Exec("RELEASE journal");
      } catch (const std::exception& error) {
        if (c.InAutocommit()) throw;  // the whole transaction is gone: the save fails
        c.Exec("ROLLBACK TO journal");
        c.Exec("RELEASE journal");
        save.journalId.reset();
        save.warnings.push_back("the journal could not be written: " +
                                DatabaseError(store_.Database().File(), error).Description());
      }
      if (commitPhase) {
        PendingCommit note;
        note.journal = save.journalId;
        note.item = *itemId;
        note.path = save.saved;
        note.flags = save.flags;
        for (const auto& sink : save.sinks) note.sinks.push_back(sink.progId);
        note.owner = owner_;
        save.pendingId = InsertPendingCommit(c, note);
      }
      if (save.request.receipt) DeliveryReceipts::Insert(c, *save.request.receipt);
    });
  }
  if (!steps.empty()) {
    auto errors = store_.Database().Commits().Run(std::move(steps));
    for (std::size_t i = 0; i < committing.size(); ++i) committing[i]->error = errors[i];
  }

  // The aborted phase for the saves that failed.
  for (auto& save : saves) {
    if (save.error && save.pending) {
      EventObservation ignored;
      std::string notes;
      RunPhase(save.sinks, *save.pending, save.request.item, save.flags | EVT_SYNC_ABORTED, ignored,
               notes);
    }
  }
  // The commit phases, after the commit, in one transaction with their
  // journal lines and the removal of their notes: a commit phase that
  // completed is never run again, and one that did not is found by
  // recovery. A sink's change there takes the write lock, so the others'
  // saves wait for this batch of commit phases, never for one at a time.
  const auto committed = std::count_if(
      saves.begin(), saves.end(), [](const SaveWork& save) { return save.pendingId.has_value(); });
  if (committed > 0) {
    std::unique_ptr<StoreTransaction> transaction;
    std::vector<SaveWork*> inTransaction;
    // Commits what the commit phases so far changed; on failure their
    // notes stay, and recovery runs them again.
    const auto commit = [&] {
      try {
        transaction->Commit();
      } catch (const PlatformError& error) {
        for (auto* save : inTransaction) {
          save->warnings.push_back("the commit phase's changes were lost (recovery repeats it): " +
                                   error.Description());
        }
      }
      transaction.reset();
      inTransaction.clear();
    };
    for (auto& save : saves) {
      if (!save.pendingId) continue;
      if (!transaction) transaction = store_.BeginTransaction();
      inTransaction.push_back(&save);
      RunPhase(save.sinks, *transaction, save.saved, save.flags | EVT_SYNC_COMMITTED,
               save.observation, save.notes);
      for (const auto& sink : save.sinks) AddNote(save.notes, sink.progId + " ran");
      save.entry.sinks = save.notes;
      try {
        save.entry.outcome = Outcome(transaction->ItemExists(save.saved), save.observation);
        transaction->Execute([&save](StoreConnection& c) {
          if (save.journalId) {
            EventJournal::Update(c, *save.journalId, save.entry.sinks, save.entry.outcome);
          }
          RemovePendingCommit(c, *save.pendingId);
        });
      } catch (const PlatformError& error) {
        save.warnings.push_back("the journal could not be updated: " + error.Description());
      }
      // A message file left the store: its removal commits at once, so a
      // crash later in the batch cannot make recovery send it again.
      if (!save.observation.savedFiles.empty()) commit();
    }
    if (transaction) commit();
  }

  std::vector<SaveOutcome> outcomes(saves.size());
  for (std::size_t i = 0; i < saves.size(); ++i) {
    auto& save = saves[i];
    if (save.error) {
      outcomes[i].error = std::move(save.error);
      continue;
    }
    SaveResult result;
    result.entry = std::move(save.entry);
    result.item = save.saved;
    result.stayed = result.entry.outcome.starts_with("stayed");
    result.warnings = std::move(save.warnings);
    outcomes[i].result = std::move(result);
  }
  return outcomes;
}

RecoverySummary StoreEvents::Recover() {
  RecoverySummary summary;
  for (const auto& commit : OrphanedPendingCommits(store_)) {
    if (!ClaimPendingCommit(store_, commit, owner_)) continue;  // another process took it
    const auto now =
        store_.Database().Read([&](StoreConnection& c) { return rows::ItemPath(c, commit.item); });
    std::string notes;
    std::string outcome;
    if (!now || *now != commit.path) {
      ++summary.alreadyGone;
      outcome = "left " + commit.path.ToString() +
                " before a restart: its commit phase had acted (moved, forwarded or deleted it)";
    } else {
      auto sinks = CreateSinks(commit.sinks, notes);
      // The sinks' begin phase on a copy that is thrown away: a sink keeps
      // settings from its begin phase for the commit phase.
      PendingItem scratch(store_, commit.path, store_.ReadMessage(commit.path),
                          store_.ReadItemProperties(commit.path));
      EventObservation ignored;
      std::string ignoredNotes;
      const long flags = commit.flags & ~(EVT_SYNC_BEGIN | EVT_SYNC_COMMITTED | EVT_SYNC_ABORTED);
      RunPhase(sinks, scratch, commit.path, flags | EVT_SYNC_BEGIN, ignored, ignoredNotes);
      EventObservation observation;
      RunPhase(sinks, store_, commit.path, flags | EVT_SYNC_COMMITTED, observation, notes);
      for (const auto& sink : sinks) AddNote(notes, sink.progId + " ran");
      outcome = Outcome(store_.ItemExists(commit.path), observation) +
                " (commit phase run after a restart)";
      ++summary.finished;
    }
    summary.notes.push_back(commit.path.ToString() + ": " + outcome);
    store_.Database().Write([&](StoreConnection& c) {
      if (commit.journal) {
        auto update = c.Prepared("UPDATE journal SET outcome = ?, sinks = sinks || ? WHERE id = ?");
        update.bind(1, outcome);
        update.bind(2, notes.empty() ? std::string() : "; after a restart: " + notes);
        update.bind(3, *commit.journal);
        update.exec();
      }
      RemovePendingCommit(c, commit.id);
    });
  }
  store_.Database().Commits().Sync();
  return summary;
}

}  // namespace quarvel::platform::store
