#include "platform/store/GroupCommit.h"

#include <utility>

namespace quarvel::platform::store {

namespace {

// Rolls one step back without touching the steps before it.
void Undo(StoreConnection& connection) {
  if (connection.InAutocommit()) return;  // SQLite already ended the transaction
  try {
    connection.Exec("ROLLBACK TO step");
    connection.Exec("RELEASE step");
  } catch (...) {
    // The transaction's own rollback below reports the failure that matters.
  }
}

}  // namespace

GroupCommit::GroupCommit(StoreDatabase& database) : database_(database) {
  try {
    connection_ = std::make_unique<StoreConnection>(database.File(), true);
  } catch (const SQLite::Exception& error) {
    throw DatabaseError(database.File(), error);
  }
}

std::vector<std::optional<PlatformError>> GroupCommit::Run(std::vector<Step> steps) {
  auto batch = std::make_shared<Batch>();
  batch->errors.resize(steps.size());
  batch->steps = std::move(steps);
  std::unique_lock lock(mutex_);
  queued_.push_back(batch);
  while (!batch->done) {
    if (leading_) {
      committed_.wait(lock);
    } else {
      Lead(lock);
    }
  }
  return std::move(batch->errors);
}

void GroupCommit::Sync() {
  // A commit that writes nothing syncs nothing; this one writes a row, and
  // its sync of the log covers everything committed before it.
  std::vector<Step> mark;
  mark.emplace_back([](StoreConnection& c) {
    c.Exec("INSERT OR REPLACE INTO sync_points (id, time) VALUES (1, datetime('now'))");
  });
  auto errors = Run(std::move(mark));
  if (errors.front()) throw *errors.front();
}

void GroupCommit::Lead(std::unique_lock<std::mutex>& lock) {
  leading_ = true;
  auto batches = std::exchange(queued_, {});
  lock.unlock();
  try {
    Execute(batches);
  } catch (...) {
    // Execute reports through the batches; nothing may leave the others waiting.
  }
  lock.lock();
  for (auto& batch : batches) batch->done = true;
  leading_ = false;
  committed_.notify_all();
}

void GroupCommit::Execute(std::vector<std::shared_ptr<Batch>>& batches) {
  auto& connection = *connection_;
  const auto failAll = [&](const PlatformError& error) {
    for (auto& batch : batches) {
      for (auto& slot : batch->errors) {
        if (!slot) slot = error;
      }
    }
  };
  std::lock_guard turn(database_.WriteTurn());
  try {
    connection.Exec("BEGIN IMMEDIATE");
  } catch (const std::exception& error) {
    failAll(DatabaseError(database_.File(), error));
    return;
  }

  // One step in its own savepoint; false when SQLite gave up the whole
  // transaction (disk full, I/O error), which undoes the steps before too.
  const auto runStep = [&](const Step& step, std::optional<PlatformError>& error) {
    try {
      connection.Exec("SAVEPOINT step");
      step(connection);
      connection.Exec("RELEASE step");
      return true;
    } catch (const PlatformError& failure) {
      error = failure;
    } catch (const std::exception& failure) {
      error = DatabaseError(database_.File(), failure);
    }
    Undo(connection);
    return !connection.InAutocommit();
  };

  for (auto& batch : batches) {
    for (std::size_t i = 0; i < batch->steps.size(); ++i) {
      if (!runStep(batch->steps[i], batch->errors[i])) {
        failAll(*batch->errors[i]);
        return;
      }
    }
  }
  try {
    connection.Exec("COMMIT");
  } catch (const std::exception& error) {
    try {
      if (!connection.InAutocommit()) connection.Exec("ROLLBACK");
    } catch (...) {
    }
    failAll(DatabaseError(database_.File(), error));
  }
}

}  // namespace quarvel::platform::store
