#include "sink/SinkServices.h"

#include <random>

namespace quarvel::sink {

namespace {

std::mt19937_64& ThreadGenerator() {
  thread_local std::mt19937_64 generator = [] {
    std::random_device entropy;
    std::seed_seq seed{entropy(), entropy(), entropy(), entropy()};
    return std::mt19937_64(seed);
  }();
  return generator;
}

}  // namespace

SinkServices SystemServices() {
  SinkServices services;
  services.localTime = [] {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
  };
  services.randomNumber = [] {
    return std::uniform_int_distribution<std::uint64_t>(1, kMaxPickupRandom)(ThreadGenerator());
  };
  services.newGuid = []() -> std::optional<Guid> {
    // A random (version 4) GUID. The thread's generator is seeded from the
    // system's entropy source once: asking that source for every moved item
    // cost a twentieth of a delivery.
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
      const std::uint64_t word = ThreadGenerator()();
      for (std::size_t j = 0; j < 8; ++j) bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    Guid guid;
    guid.data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                 (std::uint32_t{bytes[2]} << 8) | bytes[3];
    guid.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    guid.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    std::copy(bytes.begin() + 8, bytes.end(), guid.data4.begin());
    return guid;
  };
  return services;
}

}  // namespace quarvel::sink
