// The data layer's stream of characters: the content of a message.
#pragma once

#include <cstddef>
#include <string>

namespace quarvel::platform::ado {

enum SaveOptions : int {
  adSaveCreateNotExist = 1,
  adSaveCreateOverWrite = 2,
};

enum StreamWriteOptions : int {
  adWriteChar = 0,
  adWriteLine = 1,
};

inline constexpr long adReadAll = -1;

class Stream {
 public:
  virtual ~Stream() = default;
  // numChars adReadAll reads to the end.
  virtual std::string ReadText(long numChars = adReadAll) = 0;
  virtual void WriteText(const std::string& text, StreamWriteOptions options = adWriteChar) = 0;
  [[nodiscard]] virtual std::size_t Position() const = 0;
  virtual void SetPosition(std::size_t position) = 0;
  // adSaveCreateNotExist fails when the file exists.
  virtual void SaveToFile(const std::string& path, SaveOptions options) = 0;
  virtual void Close() = 0;
};

}  // namespace quarvel::platform::ado
