// How a directory query runs, from the command's named properties:
//
//   "searchscope"      2 (whole subtree, the default); 0 (base) and 1 (one
//                      level) are refused with kErrNotImplemented
//   "cache results"    boolean; the stand-in never caches anyway
//   "Chase Referrals"  0, 32, 64 or 96; a single directory has no referrals
//   "Page Size"        0 or more; paging does not change the answer
//   "Timeout"          seconds, 0 or more; queries here never take that long
//   "Size Limit"       0 (none) or more: the answer has at most this many rows
//
// Names ignore case. Numbers are whole numbers (a boolean is accepted where
// the platform's own conversion would take one: "cache results" only). An
// unknown name throws PlatformError(kErrItemNotFoundInCollection) and a value
// out of range or of the wrong kind kErrInvalidArgument, so a misspelt
// property never silently does nothing. Pure; thread-safe.
#pragma once

#include <cstdint>

#include "platform/ado/Properties.h"

namespace quarvel::platform::directory {

struct SearchPreferences {
  std::int64_t searchScope = 2;
  bool cacheResults = true;
  std::int64_t chaseReferrals = 0;
  std::int64_t pageSize = 0;
  std::int64_t timeoutSeconds = 0;
  std::int64_t sizeLimit = 0;
  bool operator==(const SearchPreferences&) const = default;
};

[[nodiscard]] SearchPreferences ReadSearchPreferences(const ado::Properties& properties);

}  // namespace quarvel::platform::directory
