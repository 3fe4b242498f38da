// Finding configured server objects by name or URL, ignoring ASCII case, as
// the management layer's objects do when they open.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"

namespace quarvel::platform::store {

using text::EqualsAsciiIgnoreCase;

// The entry whose url equals `url`; throws kErrNotFound naming `kind`.
template <class Entry>
[[nodiscard]] const Entry& FindByUrl(const std::vector<Entry>& entries, const std::string& url,
                                     const char* kind) {
  for (const auto& entry : entries) {
    if (EqualsAsciiIgnoreCase(entry.url, url)) return entry;
  }
  throw PlatformError(kErrNotFound, std::string("no ") + kind + " at '" + url + "'");
}

// Throws ado::kErrObjectClosed for an object read before Open.
template <class Entry>
const Entry& RequireOpened(const Entry* entry, const char* kind) {
  if (entry == nullptr) {
    throw PlatformError(ado::kErrObjectClosed,
                        std::string(kind) + ": Operation is not allowed when the object is closed");
  }
  return *entry;
}

}  // namespace quarvel::platform::store
