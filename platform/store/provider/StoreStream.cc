#include "platform/store/provider/StoreStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"

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

void SaveNew(const std::string& path, std::string_view text) {
  // O_EXCL makes "must not exist" one step with creating, so no other writer
  // can slip in between a check and the write.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (errno == EEXIST) {
      throw PlatformError(kErrFileExists, "file exists: '" + path + "'");
    }
    SystemFailure("cannot create", path, errno);
  }
  int error = WriteAll(fd, text);
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(path.c_str());
    SystemFailure("cannot write", path, error);
  }
}

void SaveReplacing(const std::string& path, std::string_view text) {
  std::string temporary = path + ".tmpXXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) SystemFailure("cannot create a temporary file for", path, errno);
  int error = ::fchmod(fd, 0644) == 0 ? 0 : errno;
  if (error == 0) error = WriteAll(fd, text);
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    SystemFailure("cannot write", path, error);
  }
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
