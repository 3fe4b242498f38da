// The outside facilities the commit phase uses besides the store: the local
// clock, random numbers, new GUIDs, and renaming and removing files in the
// pickup directory. Injected so that tests can fix the time, script the
// numbers and fail any file operation.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace quarvel::sink {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};
};

inline constexpr std::uint64_t kMaxPickupRandom = 20000000000ULL;

struct SinkServices {
  // The current local time, broken down.
  std::function<std::tm()> localTime;
  // A number from 1 to kMaxPickupRandom.
  std::function<std::uint64_t()> randomNumber;
  // A new GUID, or nullopt when none can be made.
  std::function<std::optional<Guid>()> newGuid;
  // Renames a complete file to `to` unless `to` exists; false when it exists.
  // Throws PlatformError on any other failure.
  std::function<bool(const std::string& from, const std::string& to)> renameNoReplace;
  // Removes a file; a missing file is no error. Throws PlatformError.
  std::function<void(const std::string& path)> removeFile;
};

// The real facilities. Random numbers come from a generator seeded once per
// thread from the system's entropy source, so two threads or two calls in the
// same clock tick do not draw the same sequence.
[[nodiscard]] SinkServices SystemServices();

}  // namespace quarvel::sink
