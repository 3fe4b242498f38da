// Delivered messages are whatever the network sent: deriving their store
// properties must never throw or crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/store/MessageProperties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string message(reinterpret_cast<const char*>(data), size);
  quarvel::platform::store::DeliveryFacts facts;
  facts.spamConfidenceLevel = static_cast<int>(size % 11) - 1;
  (void)quarvel::platform::store::DeriveMessageProperties(message, facts);
  (void)quarvel::platform::store::RawHeaderBlock(message);
  return 0;
}
