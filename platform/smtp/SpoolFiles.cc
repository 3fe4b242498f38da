#include "platform/smtp/SpoolFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "common/FileWriter.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::smtp {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what, const fs::path& path, int error) {
  throw PlatformError(kErrFail, what + " " + path.string() + ": " + std::strerror(error));
}

// Spool files are private to the service's account.
constexpr FileAccess kSpoolFile{.mode = 0600};

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

// Writes `content` into `directory` under the first free candidate of
// `wanted`. The file has no name until it is complete, so a crash leaves no
// partial or temporary file behind.
fs::path PlaceNewFile(const fs::path& directory, const std::string& wanted,
                      std::string_view content) {
  std::optional<std::string> placed;
  try {
    placed = SystemFiles().CreateNewFile(
        content, [&](int attempt) { return (directory / CandidateName(wanted, attempt)).string(); },
        kNameAttempts, kSpoolFile);
  } catch (const FileWriteError& failure) {
    const char* what = failure.Step() == FileWriteStep::kCreate  ? "cannot create a file in"
                       : failure.Step() == FileWriteStep::kFlush ? "cannot flush"
                       : failure.Step() == FileWriteStep::kName  ? "cannot create"
                                                                 : "cannot write";
    Fail(what, directory, failure.Error());
  }
  if (!placed) {
    throw PlatformError(kErrFail, "no free name for " + wanted + " in " + directory.string());
  }
  return *placed;
}

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
    int error = 0;
    try {
      if (SystemFiles().RenameNoReplace(from.string(), target.string())) return target;
      continue;  // taken
    } catch (const FileWriteError& failure) {
      error = failure.Error();
    }
    if (error == ENOENT && !fs::exists(fs::symlink_status(from))) return std::nullopt;
    if (error != EXDEV || !copyAcross) Fail("cannot move " + from.string() + " to", target, error);

    // Another file system: the copy is complete and flushed before the
    // original goes.
    std::string content;
    {
      Descriptor source(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
      if (!source.Valid()) {
        if (errno == ENOENT) return std::nullopt;
        Fail("cannot open", from, errno);
      }
      char buffer[65536];
      for (;;) {
        const ssize_t n = ::read(source.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("cannot read", from, errno);
        if (n == 0) break;
        content.append(buffer, static_cast<std::size_t>(n));
      }
    }
    const auto placed = PlaceNewFile(directory, wanted, content);
    try {
      (void)SystemFiles().RemoveFile(from.string());
    } catch (const FileWriteError& failure) {
      Fail("cannot remove", from, failure.Error());
    }
    return placed;
  }
  throw PlatformError(kErrFail, "no free name for " + wanted + " in " + directory.string());
}

fs::path WriteNewFile(const fs::path& directory, const std::string& wanted,
                      std::string_view content) {
  return PlaceNewFile(directory, wanted, content);
}

void ReplaceFile(const fs::path& path, std::string_view content) {
  try {
    SystemFiles().ReplaceWholeFile(path.string(), content, kSpoolFile);
  } catch (const FileWriteError& failure) {
    if (failure.Step() == FileWriteStep::kCreate) {
      Fail("cannot create a file in", path.parent_path(), failure.Error());
    }
    if (failure.Step() == FileWriteStep::kName) Fail("cannot replace", path, failure.Error());
    Fail("cannot write", path, failure.Error());
  }
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
