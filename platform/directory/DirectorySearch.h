// Runs a parsed directory query over a list of entries: the WHERE
// condition, ORDER BY, the size limit and the selected attributes.
//
// Matching, per comparison attr='value' (ValuePattern.h for the value side):
//   - an entry matches when any value of a multi-valued attribute matches
//     (objectClass='user' holds for "top", "person", "user");
//   - objectCategory='person' (a name, no "=" and no "*") matches an entry
//     whose objectCategory is the DN of that category in the schema
//     container, "CN=Person,CN=Schema,CN=Configuration,..."; a value with
//     "=" is compared with the whole DN;
//   - an absent attribute matches nothing, so NOT (attr='x') holds for an
//     entry without attr, as in the directory's own filters.
// Sorting compares the first value of the sort attribute, ignoring case and
// in the root locale's collation; entries without it sort after all others
// (before them when descending); ties keep the entries' order.
//
// A selected attribute the entry lacks is a null field, never empty text;
// one with several values throws PlatformError(kErrFail) naming the entry,
// since a field holds one value. Pure; thread-safe.
#pragma once

#include <vector>

#include "platform/ado/Rowset.h"
#include "platform/directory/DirectoryEntry.h"
#include "platform/directory/DirectoryQuery.h"
#include "platform/directory/SearchPreferences.h"

namespace quarvel::platform::directory {

[[nodiscard]] bool ConditionHolds(const Condition& condition, const DirectoryEntry& entry);

[[nodiscard]] ado::Rowset SearchEntries(const std::vector<DirectoryEntry>& entries,
                                        const DirectoryQuery& query,
                                        const SearchPreferences& preferences);

}  // namespace quarvel::platform::directory
