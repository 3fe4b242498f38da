#include "platform/store/provider/StoreStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/smtp/PickupFile.h"

namespace quarvel::platform::store {
namespace {

[[noreturn]] void SystemFailure(const std::string& what, const std::string& path, int error) {
  throw PlatformError(kErrFail, what + " '" + path + "': " + std::strerror(error));
}

// Writes all of `text` and syncs it; returns 0 or the errno of the failure.
int WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return ::fsync(fd) == 0 ? 0 : errno;
}

// Makes a new name durable: the directory entry is synced too.
void SyncDirectory(const std::filesystem::path& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // the file is complete either way; only its name may wait
  ::fsync(fd);
  ::close(fd);
}

// A file without a name in `directory`, holding `text`, synced; -1 with
// errno when the file system has no unnamed files (the caller then names one).
int UnnamedFile(const std::filesystem::path& directory, std::string_view text,
                const std::string& path) {
  const int fd = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return -1;
    SystemFailure("cannot create", path, errno);
  }
  if (const int error = WriteAll(fd, text); error != 0) {
    ::close(fd);
    SystemFailure("cannot write", path, error);
  }
  return fd;
}

// Gives the unnamed file `fd` the name `path`; false with errno on failure
// (EEXIST when the name is taken: it is never replaced).
bool Name(int fd, const std::string& path) {
  const auto self = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// A hidden name beside `path` that nobody uses, holding `text`, synced: for
// file systems without unnamed files, and for replacing.
std::string HiddenCopy(const std::string& path, std::string_view text) {
  const std::filesystem::path target(path);
  std::string temporary =
      (target.parent_path() / ("." + target.filename().string() + ".tmpXXXXXX")).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) SystemFailure("cannot create a temporary file for", path, errno);
  int error = ::fchmod(fd, 0644) == 0 ? 0 : errno;
  if (error == 0) error = WriteAll(fd, text);
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    SystemFailure("cannot write", path, error);
  }
  return temporary;
}

void SaveNew(const std::string& path, std::string_view text) {
  const auto directory = std::filesystem::path(path).parent_path();
  const int fd = UnnamedFile(directory.empty() ? "." : directory, text, path);
  bool named = false;
  int error = 0;
  if (fd >= 0) {
    named = Name(fd, path);
    error = named ? 0 : errno;
    ::close(fd);
  } else {
    const auto temporary = HiddenCopy(path, text);
    // link() never replaces: "must not exist" is one step with naming.
    named = ::link(temporary.c_str(), path.c_str()) == 0;
    error = named ? 0 : errno;
    ::unlink(temporary.c_str());
  }
  if (error == EEXIST) throw PlatformError(kErrFileExists, "file exists: '" + path + "'");
  if (!named) SystemFailure("cannot create", path, error);
  SyncDirectory(directory.empty() ? "." : directory);
}

void SaveReplacing(const std::string& path, std::string_view text) {
  const auto temporary = HiddenCopy(path, text);
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    SystemFailure("cannot write", path, error);
  }
  const auto directory = std::filesystem::path(path).parent_path();
  SyncDirectory(directory.empty() ? "." : directory);
}

}  // namespace

std::string StoreStream::ReadText(long numChars) {
  RequireOpen("Stream.ReadText");
  if (numChars < 0 && numChars != ado::adReadAll) {
    throw PlatformError(kErrInvalidArgument, "Stream.ReadText: negative character count");
  }
  const std::size_t available = text_.size() - position_;
  const std::size_t count = numChars == ado::adReadAll
                                ? available
                                : std::min(available, static_cast<std::size_t>(numChars));
  std::string out = text_.substr(position_, count);
  position_ += count;
  return out;
}

void StoreStream::WriteText(const std::string& text, ado::StreamWriteOptions options) {
  RequireOpen("Stream.WriteText");
  const std::string written = options == ado::adWriteLine ? text + "\r\n" : text;
  text_.replace(position_, std::min(written.size(), text_.size() - position_), written);
  position_ += written.size();
}

std::size_t StoreStream::Position() const {
  RequireOpen("Stream.Position");
  return position_;
}

void StoreStream::SetPosition(std::size_t position) {
  RequireOpen("Stream.Position");
  if (position > text_.size()) {
    throw PlatformError(kErrInvalidArgument, "Stream.Position " + std::to_string(position) +
                                                 " is past the end (" +
                                                 std::to_string(text_.size()) + ")");
  }
  position_ = position;
}

void StoreStream::SaveToFile(const std::string& path, ado::SaveOptions options) {
  RequireOpen("Stream.SaveToFile");
  if (text_.size() > smtp::kMaxPickupFileSize) {
    throw PlatformError(kErrDataOverflow,
                        "'" + path + "' would hold " + std::to_string(text_.size()) +
                            " bytes; the SMTP service takes message files of at most " +
                            std::to_string(smtp::kMaxPickupFileSize));
  }
  if (options == ado::adSaveCreateOverWrite) {
    SaveReplacing(path, text_);
  } else if (options == ado::adSaveCreateNotExist) {
    SaveNew(path, text_);
  } else {
    throw PlatformError(kErrInvalidArgument,
                        "Stream.SaveToFile: unknown save option " + std::to_string(options));
  }
}

void StoreStream::Close() {
  RequireOpen("Stream.Close");
  open_ = false;
  text_.clear();
  position_ = 0;
}

std::size_t StoreStream::Size() const {
  RequireOpen("Stream.Size");
  return text_.size();
}

void StoreStream::RequireOpen(const char* operation) const {
  if (!open_) {
    throw PlatformError(
        ado::kErrObjectClosed,
        std::string("Operation is not allowed when the object is closed (") + operation + ")");
  }
}

}  // namespace quarvel::platform::store
