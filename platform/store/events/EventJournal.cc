#include "platform/store/events/EventJournal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>

#include "platform/PlatformError.h"

namespace quarvel::platform::store {

namespace {

// TABs and line breaks would split an entry; they never appear in one.
std::string Flat(std::string text) {
  for (auto& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

EventJournal::EventJournal(std::filesystem::path file) : file_(std::move(file)) {}

void EventJournal::Record(JournalEntry entry) {
  if (entry.time.empty()) entry.time = UtcNow();
  const auto line = Flat(entry.time) + '\t' + Flat(entry.event) + '\t' + Flat(entry.item) + '\t' +
                    Flat(entry.sinks) + '\t' + Flat(entry.outcome) + '\n';
  std::lock_guard lock(mutex_);
  const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    throw PlatformError(kErrFail, "cannot open journal " + file_.string() + ": " + std::strerror(errno));
  }
  // One write per entry, so that entries of several processes never interleave.
  const auto written = ::write(fd, line.data(), line.size());
  const int error = errno;
  ::close(fd);
  if (written != static_cast<ssize_t>(line.size())) {
    throw PlatformError(kErrFail, "cannot write journal " + file_.string() + ": " + std::strerror(error));
  }
}

std::vector<JournalEntry> EventJournal::Entries() const {
  std::vector<JournalEntry> entries;
  std::ifstream in(file_);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
      fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    if (fields.size() != 5) continue;
    entries.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
  }
  return entries;
}

}  // namespace quarvel::platform::store
