#include "platform/smtp/PickupService.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <thread>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/smtp/PickupFile.h"
#include "platform/smtp/SpoolFiles.h"

namespace quarvel::platform::smtp {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kWakeUp{50};

std::string ProgressName(const std::string& name) { return "." + name + ".progress"; }
constexpr std::string_view kProgressSuffix = ".progress";

std::string Stem(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string ErrorNumber(std::int32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(number));
  return text;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

// Held for a whole pass: another service's pass on the same queue waits.
class QueueLock {
 public:
  explicit QueueLock(const fs::path& queue) {
    const auto path = queue / ".lock";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) Fail(path, errno);
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd_);
      Fail(path, error);
    }
  }
  ~QueueLock() { ::close(fd_); }  // closing releases the lock
  QueueLock(const QueueLock&) = delete;
  QueueLock& operator=(const QueueLock&) = delete;

 private:
  [[noreturn]] static void Fail(const fs::path& path, int error) {
    throw PlatformError(kErrFail, "cannot lock " + path.string() + ": " + std::strerror(error));
  }
  int fd_ = -1;
};

}  // namespace

PickupDirectories DirectoriesOf(const metabase::SmtpVirtualServer& server) {
  return {server.pickupDirectory, server.queueDirectory, server.dropDirectory,
          server.badmailDirectory};
}

PassSummary& PassSummary::operator+=(const PassSummary& other) {
  filesSeen += other.filesSeen;
  deliveredToFolders += other.deliveredToFolders;
  dropped += other.dropped;
  badmail += other.badmail;
  leftForLater += other.leftForLater;
  return *this;
}

std::string DescribePass(const PassSummary& summary) {
  return std::to_string(summary.filesSeen) + (summary.filesSeen == 1 ? " file: " : " files: ") +
         std::to_string(summary.deliveredToFolders) + " delivered to folders, " +
         std::to_string(summary.dropped) + " dropped, " + std::to_string(summary.badmail) +
         " to Badmail, " + std::to_string(summary.leftForLater) + " left for later.";
}

// One pass's work and its counts.
class PickupService::Pass {
 public:
  Pass(const PickupDirectories& directories, MailDelivery& delivery, std::ostream& log)
      : dirs_(directories), delivery_(delivery), log_(log) {}

  PassSummary Run() {
    for (const auto* directory : {&dirs_.pickup, &dirs_.queue, &dirs_.drop, &dirs_.badmail}) {
      EnsureDirectory(*directory);
    }
    const QueueLock lock(dirs_.queue);
    RemoveStaleProgress();
    for (const auto& name : SpoolFileNames(dirs_.queue)) Send(name);
    for (const auto& name : SpoolFileNames(dirs_.pickup)) Take(name);
    return summary_;
  }

 private:
  // Progress files whose queue file is gone: the pass that wrote them stopped
  // between removing the one and the other. A new file of that name must not
  // inherit them.
  void RemoveStaleProgress() {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dirs_.queue, error)) {
      const auto name = entry.path().filename().string();
      if (!name.starts_with(".") || !name.ends_with(kProgressSuffix)) continue;
      const auto queued = name.substr(1, name.size() - 1 - kProgressSuffix.size());
      if (!fs::exists(fs::symlink_status(dirs_.queue / queued, error))) RemoveQuietly(entry.path());
    }
  }

  void Take(const std::string& name) {
    std::optional<fs::path> queued;
    try {
      queued = MoveIntoDirectory(dirs_.pickup / name, dirs_.queue, name, false);
    } catch (const PlatformError& error) {
      LeaveForLater(name, error.Description());
      return;
    }
    if (queued) Send(queued->filename().string());  // else another service took it
  }

  void Send(const std::string& name) {
    ++summary_.filesSeen;
    const auto path = dirs_.queue / name;
    const auto progressPath = dirs_.queue / ProgressName(name);
    std::optional<std::string> content;
    try {
      content = ReadFileUpTo(path, kMaxPickupFileSize);
    } catch (const PlatformError& error) {
      LeaveForLater(name, error.Description());
      return;
    }
    if (!content) {
      ToBadmail(name, "the file is larger than " + std::to_string(kMaxPickupFileSize) + " bytes",
                {});
      return;
    }
    const auto parsed = ParsePickupFile(*content);
    content.reset();  // the parsed message is a copy; don't hold the file twice
    if (!parsed.file) {
      ToBadmail(name, parsed.whyMalformed, {});
      return;
    }

    const auto& mail = *parsed.file;
    auto stored = ReadProgress(progressPath);
    for (std::size_t i = 0; i < mail.receivers.size(); ++i) {
      const auto& receiver = mail.receivers[i];
      if (std::find(stored.begin(), stored.end(), receiver) != stored.end()) {
        log_ << name << ": " << receiver << ": has its copy already (before a restart)\n";
        continue;
      }
      std::optional<std::string> failure;
      std::optional<PublicFolder> folder;
      try {
        folder = delivery_.FolderForAddress(receiver);
        if (folder) {
          const auto outcome = delivery_.DeliverToFolder(*folder, mail.message, name);
          ++summary_.deliveredToFolders;
          log_ << name << ": " << receiver << ": delivered to " << folder->url << " ("
               << ShownText(outcome) << ")\n";
        }
      } catch (const PlatformError& error) {
        failure = error.Description() + " (" + ErrorNumber(error.Number()) + ")";
      } catch (const std::exception& error) {
        failure = error.what();
      }
      if (failure) {
        ToBadmail(name,
                  "delivery to " + receiver + (folder ? " (" + folder->url + ")" : "") +
                      " failed: " + ShownText(*failure),
                  stored);
        return;
      }
      if (!folder) {
        try {
          const auto copy =
              WriteNewFile(dirs_.drop, Stem(name) + "." + std::to_string(i + 1) + ".eml",
                           FormatEnvelope(receiver, mail.sender) + mail.message);
          ++summary_.dropped;
          log_ << name << ": " << receiver << ": dropped as " << copy.string() << '\n';
        } catch (const PlatformError& error) {
          LeaveForLater(name, error.Description());
          return;
        }
      }
      stored.push_back(receiver);
      try {
        AppendLine(progressPath, receiver);
      } catch (const PlatformError& error) {
        // The copy is stored; only a crash before the file is removed would
        // send it again.
        log_ << name << ": warning: " << error.Description() << '\n';
      }
    }
    try {
      RemoveFile(path);
    } catch (const PlatformError& error) {
      // The progress file stays, so the next pass sends no copy twice.
      LeaveForLater(name, error.Description());
      return;
    }
    RemoveQuietly(progressPath);
  }

  void ToBadmail(const std::string& name, const std::string& reason,
                 const std::vector<std::string>& stored) {
    std::optional<fs::path> moved;
    try {
      moved = MoveIntoDirectory(dirs_.queue / name, dirs_.badmail, name, true);
    } catch (const PlatformError& error) {
      LeaveForLater(name, "cannot move it to Badmail (" + reason + "): " + error.Description());
      return;
    }
    if (!moved) return;  // a person removed it meanwhile
    ++summary_.badmail;
    log_ << name << ": to Badmail as " << moved->string() << ": " << reason << '\n';
    std::string text = name + ": " + reason + "\n";
    if (!stored.empty()) text += "Already delivered to: " + Joined(stored) + "\n";
    try {
      ReplaceFile(dirs_.badmail / (moved->filename().string() + ".reason"), text);
    } catch (const PlatformError& error) {
      log_ << name << ": warning: no reason file: " << error.Description() << '\n';
    }
    RemoveQuietly(dirs_.queue / ProgressName(name));
  }

  void LeaveForLater(const std::string& name, const std::string& why) {
    ++summary_.leftForLater;
    log_ << name << ": left for the next pass: " << why << '\n';
  }

  // The recipients a progress file lists; a line cut short by a crash counts
  // as not written.
  std::vector<std::string> ReadProgress(const fs::path& path) {
    std::vector<std::string> stored;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error))) return stored;
    try {
      const auto content = ReadFileUpTo(path, kMaxPickupFileSize);
      if (!content) return stored;
      std::size_t start = 0;
      for (auto end = content->find('\n'); end != std::string::npos;
           start = end + 1, end = content->find('\n', start)) {
        stored.push_back(content->substr(start, end - start));
      }
    } catch (const PlatformError& failure) {
      log_ << path.filename().string() << ": warning: " << failure.Description() << '\n';
    }
    return stored;
  }

  void RemoveQuietly(const fs::path& path) {
    try {
      RemoveFile(path);
    } catch (const PlatformError& error) {
      log_ << "warning: " << error.Description() << '\n';
    }
  }

  const PickupDirectories& dirs_;
  MailDelivery& delivery_;
  std::ostream& log_;
  PassSummary summary_;
};

PickupService::PickupService(PickupDirectories directories, MailDelivery& delivery,
                             std::ostream& log)
    : directories_(std::move(directories)), delivery_(delivery), log_(log) {}

PassSummary PickupService::RunPass() { return Pass(directories_, delivery_, log_).Run(); }

PassSummary PickupService::Watch(std::chrono::milliseconds interval,
                                 const std::function<bool()>& keepGoing, const Sleep& sleep) {
  const Sleep wait =
      sleep ? sleep : [](std::chrono::milliseconds time) { std::this_thread::sleep_for(time); };
  PassSummary total;
  while (keepGoing()) {
    try {
      total += RunPass();
    } catch (const std::exception& error) {
      log_ << "pickup pass failed: " << error.what() << '\n';
    }
    for (std::chrono::milliseconds waited{0}; waited < interval && keepGoing();) {
      const auto slice = std::min(kWakeUp, interval - waited);
      wait(slice);
      waited += slice;
    }
  }
  return total;
}

}  // namespace quarvel::platform::smtp
