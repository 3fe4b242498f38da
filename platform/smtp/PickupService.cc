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
#include "platform/smtp/PickupFileFormat.h"
#include "platform/smtp/SpoolFiles.h"

namespace quarvel::platform::smtp {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kWakeUp{50};

std::string Stem(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string ErrorNumber(std::int32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(number));
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

std::string PickupFileKey(const std::string& name, std::string_view content) {
  // FNV-1a: a digest that tells files apart, not one that keeps secrets.
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : content) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return name + "#" + digits;
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
    ForgetStaleReceipts();
    for (const auto& name : SpoolFileNames(dirs_.queue)) Send(name);
    for (const auto& name : SpoolFileNames(dirs_.pickup)) Take(name);
    return summary_;
  }

 private:
  // Receipts of files that are no longer queued: the pass that finished them
  // stopped before it forgot them. A new file of that name must not inherit them.
  void ForgetStaleReceipts() {
    for (const auto& file : delivery_.ReceiptFiles()) {
      const auto name = file.substr(0, file.rfind('#'));
      std::error_code error;
      if (!fs::exists(fs::symlink_status(dirs_.queue / name, error))) {
        delivery_.ForgetReceipts(file);
      }
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
    std::optional<std::string> content;
    try {
      content = ReadFileUpTo(path, kMaxPickupFileSize);
    } catch (const PlatformError& error) {
      LeaveForLater(name, error.Description());
      return;
    }
    if (!content) {
      ToBadmail(name, "the file is larger than " + std::to_string(kMaxPickupFileSize) + " bytes");
      return;
    }
    const auto parsed = ParsePickupFile(*content);
    if (!parsed.file) {
      ToBadmail(name, parsed.whyMalformed);
      return;
    }
    const auto key = PickupFileKey(name, *content);
    content.reset();  // the parsed message is a copy; don't hold the file twice

    const auto& mail = *parsed.file;
    std::vector<std::string> stored;
    try {
      stored = delivery_.Receipts(key);
    } catch (const PlatformError& error) {
      LeaveForLater(name, "cannot read its receipts: " + error.Description());
      return;
    }
    for (std::size_t i = 0; i < mail.receivers.size(); ++i) {
      const auto& receiver = mail.receivers[i];
      if (std::find(stored.begin(), stored.end(), receiver) != stored.end()) {
        log_ << name << ": " << receiver << ": has its copy already (before a restart)\n";
        continue;
      }
      std::optional<PublicFolder> folder;
      try {
        folder = delivery_.FolderForAddress(receiver);
        if (folder) {
          const auto outcome =
              delivery_.DeliverToFolder(*folder, mail.message, name, {key, receiver});
          ++summary_.deliveredToFolders;
          log_ << name << ": " << receiver << ": delivered to " << folder->url << " ("
               << ShownText(outcome) << ")\n";
          continue;
        }
      } catch (const std::exception& error) {
        const auto* platform = dynamic_cast<const PlatformError*>(&error);
        LeaveForLater(name, "delivery to " + receiver + (folder ? " (" + folder->url + ")" : "") +
                                " failed: " +
                                ShownText(platform ? platform->Description() + " (" +
                                                         ErrorNumber(platform->Number()) + ")"
                                                   : error.what()));
        return;
      }
      if (!Drop(name, i, receiver, mail, key)) return;
    }
    try {
      RemoveFile(path);
    } catch (const PlatformError& error) {
      // The receipts stay, so the next pass sends no copy twice.
      LeaveForLater(name, error.Description());
      return;
    }
    try {
      delivery_.ForgetReceipts(key);
    } catch (const PlatformError& error) {
      log_ << name << ": warning: " << error.Description() << '\n';  // the next pass forgets them
    }
  }

  // A copy for a recipient outside the store; false when the file must wait.
  bool Drop(const std::string& name, std::size_t index, const std::string& receiver,
            const PickupMessage& mail, const std::string& key) {
    const auto wanted = Stem(name) + "." + std::to_string(index + 1) + ".eml";
    const auto copy = FormatEnvelope(receiver, mail.sender) + mail.message;
    try {
      if (const auto earlier = FindIdenticalFile(dirs_.drop, wanted, copy)) {
        // Written before a crash that kept its receipt from being recorded.
        log_ << name << ": " << receiver << ": has its copy already (" << earlier->string()
             << ")\n";
      } else {
        const auto written = WriteNewFile(dirs_.drop, wanted, copy);
        ++summary_.dropped;
        log_ << name << ": " << receiver << ": dropped as " << written.string() << '\n';
      }
    } catch (const PlatformError& error) {
      LeaveForLater(name, error.Description());
      return false;
    }
    try {
      delivery_.RecordReceipt({key, receiver});
    } catch (const PlatformError& error) {
      // The copy is in Drop, where the next pass finds it again.
      log_ << name << ": warning: " << error.Description() << '\n';
    }
    return true;
  }

  void ToBadmail(const std::string& name, const std::string& reason) {
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
    try {
      ReplaceFile(dirs_.badmail / (moved->filename().string() + ".reason"),
                  name + ": " + reason + "\n");
    } catch (const PlatformError& error) {
      log_ << name << ": warning: no reason file: " << error.Description() << '\n';
    }
  }

  void LeaveForLater(const std::string& name, const std::string& why) {
    ++summary_.leftForLater;
    log_ << name << ": left for the next pass: " << why << '\n';
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
