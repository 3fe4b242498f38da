#include "common/FileWriter.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <utility>

namespace quarvel {

FileWriteError::FileWriteError(FileWriteStep step, int error, std::string temporaryPath)
    : std::runtime_error("file write failed"),
      step_(step),
      error_(error),
      temporaryPath_(std::move(temporaryPath)) {}

std::string_view StepName(FileWriteStep step) {
  switch (step) {
    case FileWriteStep::kCreate:
      return "create temporary file";
    case FileWriteStep::kPermissions:
      return "set permissions";
    case FileWriteStep::kWrite:
      return "write";
    case FileWriteStep::kFlush:
      return "flush";
    case FileWriteStep::kClose:
      return "close";
    case FileWriteStep::kName:
      return "rename";
    case FileWriteStep::kRemove:
      return "remove";
  }
  return "write";
}

namespace {

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A rename or link is durable only once its directory is flushed too. The
// content is in place either way, so a failure here is no failure.
void SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::uint64_t Nonce(int attempt) {
  std::uint64_t n = 0;
  if (::getrandom(&n, sizeof n, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof n)) {
    // O_EXCL keeps names unique anyway; randomness only avoids retries.
    n = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(::getpid()) << 32) ^ static_cast<std::uint64_t>(attempt);
  }
  return n;
}

// A file being written under a hidden temporary name (".name.<nonce>.tmp")
// or, where the file system allows, under no name at all. It is removed
// unless Keep() is called.
class PendingFile {
 public:
  PendingFile() = default;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty() && !kept_) ::unlink(path_.c_str());
  }

  // An unnamed file in `directory`; false when the file system has none.
  bool OpenUnnamed(const std::string& directory, const FileAccess& access) {
    fd_ = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, CreationMode(access));
    if (fd_ >= 0) return true;
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return false;
    Fail(FileWriteStep::kCreate, errno);
  }

  // A new hidden file beside `target`.
  void OpenBeside(const std::string& target, const FileAccess& access) {
    const std::size_t slash = target.rfind('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 64; ++attempt) {
      char suffix[24];
      std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                    static_cast<unsigned long long>(Nonce(attempt)));
      path_ = dir + "." + base + suffix;
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, CreationMode(access));
      if (fd_ >= 0) return;
      if (errno != EEXIST) {
        const int error = errno;
        path_.clear();
        Fail(FileWriteStep::kCreate, error);
      }
    }
    path_.clear();
    Fail(FileWriteStep::kCreate, EEXIST);
  }

  // Sets the permissions and owner, writes `content` and flushes it.
  void Fill(std::string_view content, const FileAccess& access) {
    if (access.owner || access.group) {
      (void)!::fchown(fd_, access.owner ? access.owner.value() : static_cast<uid_t>(-1),
                      access.group ? access.group.value() : static_cast<gid_t>(-1));
    }
    // The umask has no say where the mode is given.
    if (access.mode) {
      if (::fchmod(fd_, *access.mode & 07777) != 0) Fail(FileWriteStep::kPermissions, errno);
    }
    for (std::size_t done = 0; done < content.size();) {
      const ssize_t n = ::write(fd_, content.data() + done, content.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail(FileWriteStep::kWrite, n == 0 ? EIO : errno);
      done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd_) != 0) Fail(FileWriteStep::kFlush, errno);
  }

  // Closes a named temporary file before it is renamed into place.
  void CloseNamed() {
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) Fail(FileWriteStep::kClose, errno);
  }

  // 0, or the errno of linking the file to `target` (EEXIST: taken).
  int LinkTo(const std::string& target) const {
    if (path_.empty()) {
      const auto self = "/proc/self/fd/" + std::to_string(fd_);
      return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0
                 ? 0
                 : errno;
    }
    return ::link(path_.c_str(), target.c_str()) == 0 ? 0 : errno;
  }

  [[nodiscard]] const std::string& Path() const { return path_; }
  void Keep() { kept_ = true; }

  [[noreturn]] void Fail(FileWriteStep step, int error) const {
    throw FileWriteError(step, error, path_);
  }

 private:
  static unsigned CreationMode(const FileAccess& access) {
    return access.mode ? *access.mode & 07777 : 0666;
  }

  int fd_ = -1;
  std::string path_;  // "" while the file has no name
  bool kept_ = false;
};

class SystemFileWriter final : public FileWriter {
 public:
  void ReplaceWholeFile(const std::string& path, std::string_view content,
                        const FileAccess& access) override {
    PendingFile file;
    file.OpenBeside(path, access);
    file.Fill(content, access);
    file.CloseNamed();
    if (::rename(file.Path().c_str(), path.c_str()) != 0) file.Fail(FileWriteStep::kName, errno);
    file.Keep();
    SyncDirectory(DirectoryOf(path));
  }

  std::optional<std::string> CreateNewFile(std::string_view content, const NameSource& nameFor,
                                           int attempts, const FileAccess& access) override {
    if (attempts <= 0) return std::nullopt;
    std::string name = nameFor(0);
    const std::string directory = DirectoryOf(name);
    PendingFile file;
    if (!file.OpenUnnamed(directory, access)) file.OpenBeside(name, access);
    file.Fill(content, access);
    for (int attempt = 0; attempt < attempts; ++attempt) {
      if (attempt > 0) name = nameFor(attempt);
      const int error = file.LinkTo(name);
      if (error == EEXIST) continue;
      if (error != 0) file.Fail(FileWriteStep::kName, error);
      SyncDirectory(directory);
      return name;
    }
    return std::nullopt;
  }

  bool RenameNoReplace(const std::string& from, const std::string& to) override {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
      if (errno == EEXIST) return false;
      if (errno != EINVAL && errno != ENOSYS)
        throw FileWriteError(FileWriteStep::kName, errno, from);
      // A file system without the no-replace rename: a hard link refuses a
      // taken name just the same.
      if (::link(from.c_str(), to.c_str()) != 0) {
        if (errno == EEXIST) return false;
        throw FileWriteError(FileWriteStep::kName, errno, from);
      }
      ::unlink(from.c_str());
    }
    const std::string target = DirectoryOf(to);
    SyncDirectory(target);
    if (const std::string source = DirectoryOf(from); source != target) SyncDirectory(source);
    return true;
  }

  bool RemoveFile(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) {
      if (errno == ENOENT) return false;
      throw FileWriteError(FileWriteStep::kRemove, errno, path);
    }
    SyncDirectory(DirectoryOf(path));
    return true;
  }
};

}  // namespace

FileWriter& SystemFiles() {
  static SystemFileWriter files;
  return files;
}

}  // namespace quarvel
