// Store URLs come from rule files, registrations and the command line: any
// text must be refused cleanly or name a path that stays inside the store.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/PlatformError.h"
#include "platform/store/StoreUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view url(reinterpret_cast<const char*>(data), size);
  try {
    const auto path = quarvel::platform::store::ParseStoreUrl(url);
    for (const auto& segment : path.segments) {
      if (segment.empty() || segment.front() == '.' ||
          segment.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos) {
        std::abort();  // a path that could leave the store
      }
    }
  } catch (const quarvel::platform::PlatformError&) {
  }
  try {
    (void)quarvel::platform::store::PercentDecode(url);
  } catch (const quarvel::platform::PlatformError&) {
  }
  return 0;
}
