// The outside facilities the commit phase uses besides the store: the local
// clock, random numbers and new GUIDs. Injected so that tests can fix the
// time and script the numbers. Files are written only through the store's
// message stream, whose failures the store-access wrapper injects.
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
};

// The real facilities. Random numbers come from a generator seeded once per
// thread from the system's entropy source, so two threads or two calls in the
// same clock tick do not draw the same sequence.
[[nodiscard]] SinkServices SystemServices();

}  // namespace quarvel::sink
