// The public store's database: one SQLite file in WAL mode that holds the
// folder tree, the items (message bytes and properties), the event journal,
// the saves whose commit phase is still to run, and the SMTP service's
// delivery receipts. Any number of processes and threads may use one file at
// once: readers never wait, writers take turns.
//
// Connections are pooled; Connect() lends one to the calling thread for as
// long as the lease lives. Write() runs its work in one short transaction
// that begins IMMEDIATE (it takes the write lock first, so it never has to
// give up half-way). A writer that finds the lock taken by another process
// waits up to kBusyTimeout and then fails; threads of one process take turns
// on a mutex first, so they never sleep in SQLite's busy wait for each other.
//
// Durability: Write() commits without a sync (synchronous=NORMAL: a crashed
// process loses nothing; a power cut may lose the newest commits). Saves go
// through Commits() (GroupCommit), whose commits are synced, and a synced
// commit makes every earlier write durable too.
//
// Failures throw PlatformError: kErrFail naming the database and SQLite's
// reason (a busy database says so), or what the work itself threw. The
// database must outlive every lease. Thread-safe.
#pragma once

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/store/StoreOperations.h"

namespace quarvel::platform::store {

class GroupCommit;

// How long a writer waits for another process's write lock.
inline constexpr std::chrono::milliseconds kBusyTimeout{15000};

// The database's name inside the store directory.
inline constexpr const char* kDatabaseFileName = "store.db";

// A prepared statement lent for one use. It is reset when the use ends, so
// that no half-read query keeps an old snapshot of the database open (which
// would hide later commits from the connection and keep it from writing).
class Query {
 public:
  explicit Query(SQLite::Statement& statement) : statement_(&statement) {}
  Query(Query&& other) noexcept : statement_(std::exchange(other.statement_, nullptr)) {}
  Query& operator=(Query&&) = delete;
  ~Query() {
    if (statement_ != nullptr) (void)statement_->tryReset();
  }

  template <typename... Args>
  void bind(Args&&... args) {
    statement_->bind(std::forward<Args>(args)...);
  }
  // Binds text that stays valid until the statement has run, without a copy.
  void bindNoCopy(int index, const std::string& text) { statement_->bindNoCopy(index, text); }
  bool executeStep() { return statement_->executeStep(); }
  int exec() { return statement_->exec(); }
  [[nodiscard]] SQLite::Column getColumn(int index) const { return statement_->getColumn(index); }

 private:
  SQLite::Statement* statement_;
};

// One SQLite connection with its prepared statements. Used by one thread at
// a time (the one holding its lease).
class StoreConnection {
 public:
  StoreConnection(const std::filesystem::path& file, bool synced);
  StoreConnection(const StoreConnection&) = delete;
  StoreConnection& operator=(const StoreConnection&) = delete;

  [[nodiscard]] SQLite::Database& Db() { return db_; }
  // The prepared statement for `sql`, reset and with no values bound.
  [[nodiscard]] Query Prepared(const std::string& sql);
  // Runs a statement without results (BEGIN, COMMIT, SAVEPOINT ...),
  // prepared once: these run around every transaction. Beginning or rolling
  // back forgets the memo below.
  void Exec(const char* sql);
  // Whether no transaction is open (SQLite may end one by itself on I/O errors).
  [[nodiscard]] bool InAutocommit();

  // What the current transaction found out: folder ids by path, access
  // flags by folder id, item properties by item id. Used only inside a
  // transaction, which sees no other connection's changes; forgotten when
  // the next one begins.
  struct TransactionMemo {
    std::unordered_map<std::string, std::int64_t> ids;
    std::unordered_map<std::int64_t, bool> accessDenied;
    // Item properties by item id, as this transaction last read or wrote them.
    std::unordered_map<std::int64_t, StoredProperties> properties;
  };
  [[nodiscard]] TransactionMemo& Memo() { return memo_; }

 private:
  SQLite::Database db_;
  std::unordered_map<std::string, std::unique_ptr<SQLite::Statement>> statements_;
  TransactionMemo memo_;
};

// A PlatformError for a failure of SQLite, naming the database file.
[[nodiscard]] PlatformError DatabaseError(const std::filesystem::path& file,
                                          const std::exception& error);

class StoreDatabase {
 public:
  // Opens the database, creating it with its tables when missing. Throws
  // PlatformError when the file is no store database of this version.
  explicit StoreDatabase(std::filesystem::path file);
  ~StoreDatabase();
  StoreDatabase(const StoreDatabase&) = delete;
  StoreDatabase& operator=(const StoreDatabase&) = delete;

  [[nodiscard]] const std::filesystem::path& File() const { return file_; }

  class Lease {
   public:
    Lease(const StoreDatabase& owner, std::unique_ptr<StoreConnection> connection)
        : owner_(&owner), connection_(std::move(connection)) {}
    Lease(Lease&&) = default;
    Lease& operator=(Lease&&) = delete;
    ~Lease();
    StoreConnection& operator*() const { return *connection_; }
    StoreConnection* operator->() const { return connection_.get(); }

   private:
    const StoreDatabase* owner_;
    std::unique_ptr<StoreConnection> connection_;
  };

  [[nodiscard]] Lease Connect() const;

  // Runs `work` in one IMMEDIATE write transaction and commits it (unsynced);
  // rolls back and rethrows when anything fails.
  template <typename Work>
  auto Write(Work&& work) const {
    auto lease = Connect();
    std::lock_guard turn(writeTurn_);
    return Transact(*lease, "BEGIN IMMEDIATE", std::forward<Work>(work));
  }

  // Runs `work` in one read transaction: it sees one consistent state.
  template <typename Work>
  auto Read(Work&& work) const {
    auto lease = Connect();
    return Transact(*lease, "BEGIN", std::forward<Work>(work));
  }

  // Runs `work` inside a transaction the caller began on `connection`'s
  // behalf: SQLite failures come out as PlatformError.
  template <typename Work>
  auto Guarded(Work&& work) const {
    try {
      return work();
    } catch (const SQLite::Exception& error) {
      throw DatabaseError(file_, error);
    }
  }

  // The shared, synced commits of saves.
  [[nodiscard]] GroupCommit& Commits() const { return *commits_; }

  // Writers of this process take turns here before they ask SQLite for the
  // write lock. Held only for one short transaction at a time.
  [[nodiscard]] std::mutex& WriteTurn() const { return writeTurn_; }

 private:
  template <typename Work>
  auto Transact(StoreConnection& connection, const char* begin, Work&& work) const {
    try {
      connection.Exec(begin);
    } catch (const SQLite::Exception& error) {
      throw DatabaseError(file_, error);
    }
    try {
      if constexpr (std::is_void_v<decltype(work(connection))>) {
        work(connection);
        connection.Exec("COMMIT");
      } else {
        auto result = work(connection);
        connection.Exec("COMMIT");
        return result;
      }
    } catch (const SQLite::Exception& error) {
      RollBack(connection);
      throw DatabaseError(file_, error);
    } catch (...) {
      RollBack(connection);
      throw;
    }
  }
  static void RollBack(StoreConnection& connection) noexcept;
  void CreateSchema();

  std::filesystem::path file_;
  mutable std::mutex poolMutex_;
  mutable std::vector<std::unique_ptr<StoreConnection>> idle_;
  mutable std::mutex writeTurn_;
  std::unique_ptr<GroupCommit> commits_;
};

}  // namespace quarvel::platform::store
