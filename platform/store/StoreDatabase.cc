#include "platform/store/StoreDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/store/GroupCommit.h"

namespace quarvel::platform::store {

namespace {

constexpr int kSchemaVersion = 1;

// The tables, as `sqlite3 store.db .schema` shows them.
constexpr const char* kSchema = R"sql(
CREATE TABLE folders (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER,                        -- NULL for the root (id 1)
  name TEXT NOT NULL,                    -- the folder's name in its URL
  display_name TEXT NOT NULL,
  email TEXT NOT NULL DEFAULT '',        -- '' when not mail-enabled
  email_key TEXT NOT NULL DEFAULT '',    -- the address in upper case, for lookups
  hidden INTEGER NOT NULL DEFAULT 0,
  access_denied INTEGER NOT NULL DEFAULT 0,
  UNIQUE (parent, name)
);
CREATE INDEX folders_by_email ON folders (email_key) WHERE email_key <> '';

CREATE TABLE items (
  id INTEGER PRIMARY KEY AUTOINCREMENT,  -- never used again
  folder INTEGER NOT NULL,
  name TEXT NOT NULL,
  is_registration INTEGER NOT NULL DEFAULT 0,  -- kept by the triggers below
  UNIQUE (folder, name)
);
CREATE INDEX items_registrations ON items (folder) WHERE is_registration = 1;

-- Apart from the items, so that moving an item rewrites only its small row.
CREATE TABLE messages (
  item INTEGER PRIMARY KEY,              -- items.id
  bytes BLOB NOT NULL                    -- the message, byte-exact
);

CREATE TABLE properties (
  item INTEGER NOT NULL,
  name TEXT NOT NULL,                    -- full schema name, MAPI tags as x001a001e
  type TEXT NOT NULL,                    -- 'text', 'integer', 'boolean' or 'null'
  value,
  defined_size INTEGER NOT NULL DEFAULT 0,  -- characters a text may hold; 0: any
  PRIMARY KEY (item, name)
) WITHOUT ROWID;

CREATE TRIGGER registration_added AFTER INSERT ON properties
WHEN NEW.name = 'DAV:contentclass' BEGIN
  UPDATE items SET is_registration =
    (NEW.type = 'text' AND NEW.value = 'urn:content-class:storeeventreg') WHERE id = NEW.item;
END;
CREATE TRIGGER registration_changed AFTER UPDATE ON properties
WHEN NEW.name = 'DAV:contentclass' BEGIN
  UPDATE items SET is_registration =
    (NEW.type = 'text' AND NEW.value = 'urn:content-class:storeeventreg') WHERE id = NEW.item;
END;
CREATE TRIGGER registration_removed AFTER DELETE ON properties
WHEN OLD.name = 'DAV:contentclass' BEGIN
  UPDATE items SET is_registration = 0 WHERE id = OLD.item;
END;
CREATE TRIGGER item_removed AFTER DELETE ON items BEGIN
  DELETE FROM properties WHERE item = OLD.id;
  DELETE FROM messages WHERE item = OLD.id;
END;

CREATE TABLE journal (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  time TEXT NOT NULL,                    -- UTC, ISO 8601
  event TEXT NOT NULL,                   -- deliver, replicate, post
  item TEXT NOT NULL,                    -- the item's path as saved
  sinks TEXT NOT NULL,
  outcome TEXT NOT NULL
);

CREATE TABLE pending_commits (           -- saved items whose commit phase has not finished
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  journal INTEGER,                       -- the save's journal entry, if it was written
  item INTEGER NOT NULL,                 -- items.id
  path TEXT NOT NULL,                    -- where it was saved
  flags INTEGER NOT NULL,                -- the save's event flags
  sinks TEXT NOT NULL,                   -- ProgIDs in calling order, one per line
  owner TEXT NOT NULL                    -- the process running the commit phase
);

CREATE TABLE sync_points (              -- written by a commit that only syncs
  id INTEGER PRIMARY KEY CHECK (id = 1),
  time TEXT NOT NULL
);

CREATE TABLE delivery_receipts (         -- pickup file copies stored in public folders
  file TEXT NOT NULL,                    -- the pickup file: name and content digest
  recipient TEXT NOT NULL,
  time TEXT NOT NULL,
  PRIMARY KEY (file, recipient)
) WITHOUT ROWID;
)sql";

// Waits for another process's write lock in small, growing steps, so a short
// wait costs little, up to kBusyTimeout in all.
int WaitWhileBusy(void* /*unused*/, int attempt) {
  using std::chrono::microseconds;
  microseconds waited{0};
  microseconds step{50};
  for (int i = 0; i < attempt; ++i) {
    waited += step;
    step = std::min(step * 2, microseconds(5000));
  }
  if (waited >= kBusyTimeout) return 0;
  std::this_thread::sleep_for(step);
  return 1;
}

}  // namespace

StoreConnection::StoreConnection(const std::filesystem::path& file, bool synced)
    : db_(file, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE | SQLite::OPEN_NOMUTEX) {
  ::sqlite3_busy_handler(db_.getHandle(), WaitWhileBusy, nullptr);
  db_.exec(synced ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = NORMAL");
  // Enough pages for a batch of saves and the folders they go to: a smaller
  // cache reads the same pages again and again.
  db_.exec("PRAGMA cache_size = -16384");
  // Fewer, larger checkpoints: a page changed by many commits is copied
  // into the database file once per checkpoint, not once per commit.
  db_.exec("PRAGMA wal_autocheckpoint = 4000");
  // Statement journals (what undoes one statement inside a transaction) in
  // memory: no temporary files, and no writes to them.
  db_.exec("PRAGMA temp_store = MEMORY");
}

Query StoreConnection::Prepared(const std::string& sql) {
  auto& slot = statements_[sql];
  if (!slot) {
    slot = std::make_unique<SQLite::Statement>(db_, sql);
  } else {
    slot->reset();
    slot->clearBindings();
  }
  return Query(*slot);
}

void StoreConnection::Exec(const char* sql) {
  if (std::strncmp(sql, "BEGIN", 5) == 0 || std::strncmp(sql, "ROLLBACK", 8) == 0) {
    memo_ = {};
  }
  (void)Prepared(sql).exec();
}

bool StoreConnection::InAutocommit() { return ::sqlite3_get_autocommit(db_.getHandle()) != 0; }

PlatformError DatabaseError(const std::filesystem::path& file, const std::exception& error) {
  std::string reason = error.what();
  if (const auto* sqlite = dynamic_cast<const SQLite::Exception*>(&error)) {
    const int code = sqlite->getErrorCode() & 0xff;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
      reason = "the database is busy (another process held it for more than " +
               std::to_string(kBusyTimeout.count() / 1000) + " s): " + reason;
    }
  }
  return PlatformError(kErrFail, "store database " + file.string() + ": " + reason);
}

StoreDatabase::StoreDatabase(std::filesystem::path file) : file_(std::move(file)) {
  try {
    CreateSchema();
  } catch (const SQLite::Exception& error) {
    throw DatabaseError(file_, error);
  }
  commits_ = std::make_unique<GroupCommit>(*this);
}

StoreDatabase::~StoreDatabase() {
  commits_.reset();  // its last deferred work is written first
}

void StoreDatabase::CreateSchema() {
  StoreConnection connection(file_, true);
  auto& db = connection.Db();
  // WAL is a property of the file: set once, it stays.
  db.exec("PRAGMA journal_mode = WAL");
  std::lock_guard turn(writeTurn_);
  db.exec("BEGIN IMMEDIATE");
  try {
    const int version = db.execAndGet("PRAGMA user_version").getInt();
    if (version == 0) {
      if (db.execAndGet("SELECT count(*) FROM sqlite_schema").getInt() != 0) {
        throw PlatformError(kErrFail,
                            "store database " + file_.string() + " holds tables of something else");
      }
      db.exec(kSchema);
      SQLite::Statement root(db,
                             "INSERT INTO folders (id, parent, name, display_name) "
                             "VALUES (1, NULL, '', ?)");
      std::filesystem::path directory = file_.parent_path().lexically_normal();
      if (!directory.has_filename()) directory = directory.parent_path();
      root.bind(1, directory.filename().string());
      root.exec();
      db.exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    } else if (version != kSchemaVersion) {
      throw PlatformError(kErrFail, "store database " + file_.string() + " has version " +
                                        std::to_string(version) + "; this program reads version " +
                                        std::to_string(kSchemaVersion));
    }
    db.exec("COMMIT");
  } catch (...) {
    RollBack(connection);
    throw;
  }
  std::lock_guard pool(poolMutex_);
  idle_.push_back(std::make_unique<StoreConnection>(file_, false));
}

StoreDatabase::Lease StoreDatabase::Connect() const {
  {
    std::lock_guard pool(poolMutex_);
    if (!idle_.empty()) {
      auto connection = std::move(idle_.back());
      idle_.pop_back();
      return Lease(*this, std::move(connection));
    }
  }
  try {
    return Lease(*this, std::make_unique<StoreConnection>(file_, false));
  } catch (const SQLite::Exception& error) {
    throw DatabaseError(file_, error);
  }
}

StoreDatabase::Lease::~Lease() {
  if (!connection_) return;
  // A connection that comes back inside a transaction was abandoned half-way.
  if (!connection_->InAutocommit()) RollBack(*connection_);
  std::lock_guard pool(owner_->poolMutex_);
  owner_->idle_.push_back(std::move(connection_));
}

void StoreDatabase::RollBack(StoreConnection& connection) noexcept {
  try {
    if (!connection.InAutocommit()) connection.Exec("ROLLBACK");
  } catch (...) {
    // The transaction is gone either way; the first failure is the one to report.
  }
}

}  // namespace quarvel::platform::store
