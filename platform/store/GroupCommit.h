// Saves of many threads made durable by one sync: the callers' steps run
// inside one shared write transaction, each step in a savepoint of its own,
// and one synced commit (synchronous=FULL) makes them all durable at once.
//
// Run() hands its steps to whichever thread is committing (the leader); the
// first caller that finds nobody committing becomes the leader and takes
// every step queued so far, so steps arriving while a commit syncs form the
// next one. The queue's mutex is never held while SQLite works or syncs.
//
// A step that throws is undone alone (its savepoint rolls back) and its
// error is returned; the others commit. A failing commit fails every step of
// it.
//
// Thread-safe. Steps run on the leader's thread, on its connection, and must
// not call back into GroupCommit.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/store/StoreDatabase.h"

namespace quarvel::platform::store {

class GroupCommit {
 public:
  using Step = std::function<void(StoreConnection&)>;

  explicit GroupCommit(StoreDatabase& database);
  GroupCommit(const GroupCommit&) = delete;
  GroupCommit& operator=(const GroupCommit&) = delete;

  // Runs the steps in the next shared commit and waits until it is on disk.
  // Returns, per step, nullopt when it committed or the error that undid it.
  std::vector<std::optional<PlatformError>> Run(std::vector<Step> steps);

  // Makes every write committed so far durable, the unsynced ones of
  // StoreDatabase::Write included (one synced commit: the write-ahead log is
  // synced as a whole). Throws PlatformError when the sync fails.
  void Sync();

 private:
  struct Batch {
    std::vector<Step> steps;
    std::vector<std::optional<PlatformError>> errors;
    bool done = false;
  };

  void Lead(std::unique_lock<std::mutex>& lock);
  void Execute(std::vector<std::shared_ptr<Batch>>& batches);

  StoreDatabase& database_;
  std::unique_ptr<StoreConnection> connection_;  // the leader's, synced
  std::mutex mutex_;
  std::condition_variable committed_;
  bool leading_ = false;
  std::vector<std::shared_ptr<Batch>> queued_;
};

}  // namespace quarvel::platform::store
