#include "platform/store/events/EventJournal.h"

#include <algorithm>
#include <ctime>

namespace quarvel::platform::store {

namespace {

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

std::int64_t EventJournal::Insert(StoreConnection& c, JournalEntry& entry) {
  if (entry.time.empty()) entry.time = UtcNow();
  auto insert =
      c.Prepared("INSERT INTO journal (time, event, item, sinks, outcome) VALUES (?, ?, ?, ?, ?)");
  insert.bind(1, entry.time);
  insert.bind(2, entry.event);
  insert.bind(3, entry.item);
  insert.bind(4, entry.sinks);
  insert.bind(5, entry.outcome);
  insert.exec();
  return c.Db().getLastInsertRowid();
}

void EventJournal::Update(StoreConnection& c, std::int64_t id, const std::string& sinks,
                          const std::string& outcome) {
  auto update = c.Prepared("UPDATE journal SET sinks = ?, outcome = ? WHERE id = ?");
  update.bind(1, sinks);
  update.bind(2, outcome);
  update.bind(3, id);
  update.exec();
}

void EventJournal::Record(JournalEntry entry) {
  store_.Database().Write([&](StoreConnection& c) { (void)Insert(c, entry); });
}

std::vector<JournalEntry> EventJournal::Entries(std::optional<std::size_t> tail) const {
  return store_.Database().Read([&](StoreConnection& c) {
    auto query =
        c.Prepared(tail ? "SELECT time, event, item, sinks, outcome FROM "
                          "(SELECT * FROM journal ORDER BY id DESC LIMIT ?) ORDER BY id"
                        : "SELECT time, event, item, sinks, outcome FROM journal ORDER BY id");
    if (tail) query.bind(1, static_cast<std::int64_t>(std::min<std::size_t>(*tail, INT64_MAX)));
    std::vector<JournalEntry> entries;
    while (query.executeStep()) {
      entries.push_back({query.getColumn(0).getString(), query.getColumn(1).getString(),
                         query.getColumn(2).getString(), query.getColumn(3).getString(),
                         query.getColumn(4).getString()});
    }
    return entries;
  });
}

}  // namespace quarvel::platform::store
