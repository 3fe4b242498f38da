#include "platform/smtp/SpoolFiles.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/PlatformError.h"

namespace quarvel::platform::smtp {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what, const fs::path& path, int error) {
  throw PlatformError(kErrFail, what + " " + path.string() + ": " + std::strerror(error));
}

// 0, or the errno of the failure (EEXIST when `to` is taken).
int RenameNoReplace(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the no-replace rename: a hard link refuses a taken
  // name just the same.
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  ::unlink(from.c_str());
  return 0;
}

// A rename is durable only once its directory is flushed too.
void SyncDirectory(const fs::path& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

void WriteAll(int fd, std::string_view content, const fs::path& path) {
  for (std::size_t done = 0; done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("cannot write", path, n == 0 ? EIO : errno);
    done += static_cast<std::size_t>(n);
  }
}

// Closes a descriptor once, whichever way the scope is left.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  [[nodiscard]] int Get() const { return fd_; }
  [[nodiscard]] bool Valid() const { return fd_ >= 0; }
  int Close() {
    const int result = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

// A file being written into `directory`: it has no name until Place gives
// it its final one (O_TMPFILE), so a crash never leaves a partial or
// temporary file behind. On a file system without unnamed files it is a
// hidden temporary file instead, which the pickup service and a person
// listing the directory pass by.
class TemporaryFile {
 public:
  explicit TemporaryFile(const fs::path& directory) : directory_(directory) {
    fd_ = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ >= 0) return;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      Fail("cannot create a file in", directory, errno);
    }
    path_ = (directory / ".smtp-XXXXXX").string();
    fd_ = ::mkstemp(path_.data());
    if (fd_ < 0) Fail("cannot create a file in", directory, errno);
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty() && !placed_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  [[nodiscard]] int Fd() const { return fd_; }
  [[nodiscard]] fs::path Path() const { return path_.empty() ? directory_ : fs::path(path_); }

  void Finish() {
    if (::fsync(fd_) != 0) Fail("cannot flush", Path(), errno);
  }

  // Names the finished file with the first free candidate of `wanted`.
  fs::path Place(const fs::path& directory, const std::string& wanted) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      const auto target = directory / CandidateName(wanted, attempt);
      const int error = NameAs(target);
      if (error == EEXIST) continue;
      if (error != 0) Fail("cannot create", target, error);
      Done(directory);
      return target;
    }
    throw PlatformError(kErrFail, "no free name for " + wanted + " in " + directory.string());
  }

  // Names the finished file `target`, replacing a file of that name.
  void Replace(const fs::path& target) {
    int error = NameAs(target);
    if (error == EEXIST) {
      if (path_.empty()) {
        // An unnamed file cannot take a name that is in use: the old file goes first.
        RemoveFile(target);
        error = NameAs(target);
      } else {
        error = std::rename(path_.c_str(), target.c_str()) == 0 ? 0 : errno;
      }
    }
    if (error != 0) Fail("cannot replace", target, error);
    Done(target.parent_path());
  }

 private:
  // 0, or the errno of naming the file `target` (EEXIST when it is taken).
  int NameAs(const fs::path& target) {
    if (!path_.empty()) return RenameNoReplace(path_, target);
    const auto self = "/proc/self/fd/" + std::to_string(fd_);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      return errno;
    }
    return 0;
  }

  void Done(const fs::path& directory) {
    placed_ = true;
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) Fail("cannot close", Path(), errno);
    SyncDirectory(directory);
  }

  fs::path directory_;
  std::string path_;  // "" for an unnamed file
  int fd_ = -1;
  bool placed_ = false;
};

}  // namespace

std::string CandidateName(const std::string& wanted, int attempt) {
  if (attempt == 0) return wanted;
  const auto dot = wanted.rfind('.');
  const auto stemEnd = dot == std::string::npos || dot == 0 ? wanted.size() : dot;
  return wanted.substr(0, stemEnd) + "~" + std::to_string(attempt + 1) + wanted.substr(stemEnd);
}

std::vector<std::string> SpoolFileNames(const fs::path& directory) {
  std::error_code error;
  fs::directory_iterator entries(directory, error);
  if (error) Fail("cannot list", directory, error.value());
  std::vector<std::string> names;
  for (const auto& entry : entries) {
    auto name = entry.path().filename().string();
    if (name.starts_with(".")) continue;
    // symlink_status: a link is not followed, and is no regular file.
    if (!fs::is_regular_file(entry.symlink_status(error)) || error) continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<fs::path> MoveIntoDirectory(const fs::path& from, const fs::path& directory,
                                          const std::string& wanted, bool copyAcross) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const auto target = directory / CandidateName(wanted, attempt);
    const int error = RenameNoReplace(from, target);
    if (error == 0) {
      SyncDirectory(directory);
      SyncDirectory(from.parent_path());
      return target;
    }
    if (error == EEXIST) continue;
    if (error == ENOENT && !fs::exists(fs::symlink_status(from))) return std::nullopt;
    if (error != EXDEV || !copyAcross) Fail("cannot move " + from.string() + " to", target, error);

    // Another file system: the copy is complete and flushed before the
    // original goes.
    Descriptor source(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!source.Valid()) {
      if (errno == ENOENT) return std::nullopt;
      Fail("cannot open", from, errno);
    }
    TemporaryFile copy(directory);
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(source.Get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail("cannot read", from, errno);
      if (n == 0) break;
      WriteAll(copy.Fd(), std::string_view(buffer, static_cast<std::size_t>(n)), copy.Path());
    }
    source.Close();
    copy.Finish();
    const auto placed = copy.Place(directory, wanted);
    RemoveFile(from);
    SyncDirectory(from.parent_path());
    return placed;
  }
  throw PlatformError(kErrFail, "no free name for " + wanted + " in " + directory.string());
}

fs::path WriteNewFile(const fs::path& directory, const std::string& wanted,
                      std::string_view content) {
  TemporaryFile file(directory);
  WriteAll(file.Fd(), content, file.Path());
  file.Finish();
  return file.Place(directory, wanted);
}

void ReplaceFile(const fs::path& path, std::string_view content) {
  TemporaryFile file(path.parent_path());
  WriteAll(file.Fd(), content, file.Path());
  file.Finish();
  file.Replace(path);
}

std::optional<fs::path> FindIdenticalFile(const fs::path& directory, const std::string& wanted,
                                          std::string_view content) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const auto candidate = directory / CandidateName(wanted, attempt);
    std::error_code error;
    if (!fs::exists(fs::symlink_status(candidate, error))) return std::nullopt;
    try {
      const auto existing = ReadFileUpTo(candidate, content.size());
      if (existing && *existing == content) return candidate;
    } catch (const PlatformError&) {
      // Not a file that can be read: not the copy looked for.
    }
  }
  return std::nullopt;
}

std::optional<std::string> ReadFileUpTo(const fs::path& path, std::size_t limit) {
  // O_NONBLOCK: a FIFO put in the file's place must not hang the service.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) Fail("cannot open", path, errno);
  struct stat facts {};
  if (::fstat(fd.Get(), &facts) != 0) Fail("cannot examine", path, errno);
  if (!S_ISREG(facts.st_mode)) Fail("cannot read", path, EINVAL);
  if (static_cast<std::uint64_t>(facts.st_size) > limit) return std::nullopt;
  std::string content(static_cast<std::size_t>(facts.st_size), '\0');
  std::size_t done = 0;
  for (;;) {
    if (done == content.size()) {
      // The file may have grown since fstat; read on, up to one byte past the limit.
      if (content.size() > limit) break;
      content.resize(std::min(limit + 1, content.size() + 65536));
    }
    const ssize_t n = ::read(fd.Get(), content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("cannot read", path, errno);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  content.resize(done);
  if (content.size() > limit) return std::nullopt;
  return content;
}

void RemoveFile(const fs::path& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) Fail("cannot remove", path, errno);
}

void EnsureDirectory(const fs::path& directory) {
  std::error_code error;
  fs::create_directories(directory, error);
  if (error) Fail("cannot create", directory, error.value());
}

}  // namespace quarvel::platform::smtp
