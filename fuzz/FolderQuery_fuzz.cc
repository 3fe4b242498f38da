// Store query texts and event criteria: refused cleanly or understood whole.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/PlatformError.h"
#include "platform/store/events/Criteria.h"
#include "platform/store/provider/FolderQuery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    (void)quarvel::platform::store::ParseFolderQuery(text);
  } catch (const quarvel::platform::PlatformError&) {
  }
  try {
    (void)quarvel::platform::store::CriteriaHold(text, {});
  } catch (const quarvel::platform::PlatformError&) {
  }
  return 0;
}
