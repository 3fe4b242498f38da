#include "platform/store/provider/StoreStream.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "common/FileWriter.h"
#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/smtp/PickupFileFormat.h"

namespace quarvel::platform::store {
namespace {

[[noreturn]] void SystemFailure(const std::string& what, const std::string& path, int error) {
  throw PlatformError(kErrFail, what + " '" + path + "': " + std::strerror(error));
}

// Message files are readable by the SMTP service, whoever runs it.
constexpr FileAccess kMessageFile{.mode = 0644};

void SaveNew(const std::string& path, std::string_view text) {
  std::optional<std::string> named;
  try {
    named = SystemFiles().CreateNewFile(
        text, [&path](int) { return path; }, 1, kMessageFile);
  } catch (const FileWriteError& failure) {
    SystemFailure("cannot create", path, failure.Error());
  }
  if (!named) throw PlatformError(kErrFileExists, "file exists: '" + path + "'");
}

void SaveReplacing(const std::string& path, std::string_view text) {
  try {
    SystemFiles().ReplaceWholeFile(path, text, kMessageFile);
  } catch (const FileWriteError& failure) {
    if (failure.Step() == FileWriteStep::kCreate) {
      SystemFailure("cannot create a temporary file for", path, failure.Error());
    }
    SystemFailure("cannot write", path, failure.Error());
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
