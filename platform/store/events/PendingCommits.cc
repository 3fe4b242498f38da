#include "platform/store/events/PendingCommits.h"

#include <sqlite3.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace quarvel::platform::store {

namespace {

std::string FirstLine(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// The process's start time in clock ticks since boot, or "" when it is not running.
std::string StartTime(const std::string& pid) {
  const auto stat = FirstLine("/proc/" + pid + "/stat");
  const auto end = stat.rfind(')');  // the command name may hold blanks and brackets
  if (end == std::string::npos) return {};
  std::istringstream fields(stat.substr(end + 1));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22) return field;
  }
  return {};
}

std::string BootId() { return FirstLine("/proc/sys/kernel/random/boot_id"); }

std::string Owner(const std::string& pid) {
  return "boot " + BootId() + " pid " + pid + " start " + StartTime(pid);
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

StorePath ParsePath(const std::string& text) {
  StorePath path;
  std::size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    const auto slash = std::min(text.find('/', start), text.size());
    path = path.Child(text.substr(start, slash - start));
    start = slash + 1;
  }
  return path;
}

}  // namespace

std::string ThisProcess() { return Owner(std::to_string(::getpid())); }

bool ProcessAlive(const std::string& owner) {
  std::istringstream words(owner);
  std::string boot, bootId, pidWord, pid;
  if (!(words >> boot >> bootId >> pidWord >> pid) ||
      pid.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const auto start = StartTime(pid);
  return !start.empty() && owner == Owner(pid);
}

std::int64_t InsertPendingCommit(StoreConnection& c, const PendingCommit& commit) {
  auto insert = c.Prepared(
      "INSERT INTO pending_commits (journal, item, path, flags, sinks, owner) "
      "VALUES (?, ?, ?, ?, ?, ?)");
  if (commit.journal) {
    insert.bind(1, *commit.journal);
  } else {
    insert.bind(1);
  }
  insert.bind(2, commit.item);
  insert.bind(3, commit.path.ToString());
  insert.bind(4, static_cast<std::int64_t>(commit.flags));
  insert.bind(5, JoinLines(commit.sinks));
  insert.bind(6, commit.owner);
  insert.exec();
  return c.Db().getLastInsertRowid();
}

void RemovePendingCommit(StoreConnection& c, std::int64_t id) {
  auto remove = c.Prepared("DELETE FROM pending_commits WHERE id = ?");
  remove.bind(1, id);
  remove.exec();
}

std::vector<PendingCommit> OrphanedPendingCommits(const PublicStore& store) {
  auto all = store.Database().Read([](StoreConnection& c) {
    auto query = c.Prepared(
        "SELECT id, journal, item, path, flags, sinks, owner FROM pending_commits ORDER BY id");
    std::vector<PendingCommit> rows;
    while (query.executeStep()) {
      PendingCommit commit;
      try {
        commit.id = query.getColumn(0).getInt64();
        if (query.getColumn(1).getType() == SQLITE_INTEGER) {
          commit.journal = query.getColumn(1).getInt64();
        }
        commit.item = query.getColumn(2).getInt64();
        commit.path = ParsePath(query.getColumn(3).getString());
        commit.flags = static_cast<long>(query.getColumn(4).getInt64());
        commit.sinks = SplitLines(query.getColumn(5).getString());
        commit.owner = query.getColumn(6).getString();
      } catch (const PlatformError&) {
        continue;  // a path that cannot be addressed names no item to finish
      }
      rows.push_back(std::move(commit));
    }
    return rows;
  });
  std::vector<PendingCommit> orphans;
  for (auto& commit : all) {
    if (!ProcessAlive(commit.owner)) orphans.push_back(std::move(commit));
  }
  return orphans;
}

bool ClaimPendingCommit(const PublicStore& store, const PendingCommit& commit,
                        const std::string& owner) {
  return store.Database().Write([&](StoreConnection& c) {
    auto claim = c.Prepared("UPDATE pending_commits SET owner = ? WHERE id = ? AND owner = ?");
    claim.bind(1, owner);
    claim.bind(2, commit.id);
    claim.bind(3, commit.owner);
    claim.exec();
    return ::sqlite3_changes(c.Db().getHandle()) == 1;
  });
}

}  // namespace quarvel::platform::store
