// Finding configured server objects by name or URL, ignoring ASCII case, as
// the management layer's objects do when they open.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"

namespace quarvel::platform::store {

[[nodiscard]] inline bool EqualsAsciiIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

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
