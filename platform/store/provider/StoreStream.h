// A message's text as a stream (what CDO.Message's GetStream returns). A
// character is a byte here: messages are kept byte-exact, and positions and
// counts must match the bytes written to a file.
//
// The stream holds its own copy of the text: writing changes the copy, never
// the item. WriteText overwrites from Position and extends past the end; it
// never shortens the text.
//
// SaveToFile writes the whole text, synced, and gives it its name only when
// complete (a file without a name is written first), so a crash leaves no
// partial or temporary file: adSaveCreateNotExist creates the file and fails
// with kErrFileExists if the name is taken; adSaveCreateOverWrite replaces
// it at once. A text larger than the SMTP service accepts from its pickup
// directory (kMaxPickupFileSize) is refused with kErrDataOverflow, so that
// no message leaves its folder as a file the service would not send. Other
// failures throw PlatformError(kErrFail) naming the path and the reason.
//
// A closed stream refuses every call with ado::kErrObjectClosed. Used by one
// thread at a time.
#pragma once

#include <cstddef>
#include <string>

#include "platform/ado/Stream.h"

namespace quarvel::platform::store {

class StoreStream : public ado::Stream {
 public:
  explicit StoreStream(std::string text) : text_(std::move(text)) {}

  std::string ReadText(long numChars = ado::adReadAll) override;
  // adWriteLine adds the line separator CR LF.
  void WriteText(const std::string& text,
                 ado::StreamWriteOptions options = ado::adWriteChar) override;
  [[nodiscard]] std::size_t Position() const override;
  // Beyond the end fails with kErrInvalidArgument.
  void SetPosition(std::size_t position) override;
  void SaveToFile(const std::string& path, ado::SaveOptions options) override;
  void Close() override;

  [[nodiscard]] std::size_t Size() const;

 private:
  void RequireOpen(const char* operation) const;

  std::string text_;
  std::size_t position_ = 0;
  bool open_ = true;
};

}  // namespace quarvel::platform::store
