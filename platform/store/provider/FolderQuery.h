// The store's folder query language, as far as folder and item listings use
// it (a shallow traversal with "DAV:isfolder" = False lists items; see
// FolderSearch.h):
//
//   SELECT "prop" {, "prop"}
//   FROM SCOPE('shallow traversal of "URL"')      -- or 'deep traversal of "URL"'
//   [WHERE "prop" = value {AND "prop" = value}]   -- value: True, False, 'text',
//                                                 --   "text" or a whole number
//   [ORDER BY "prop" [ASC | DESC]]
//
// Keywords ignore case; blanks, tabs and line breaks may separate tokens
// freely. Inside quotes a doubled quote stands for one. The URL is either
// store URL form. Anything else (another keyword, OR, a missing quote,
// trailing text) is refused whole with PlatformError(kErrInvalidArgument)
// naming the byte offset where reading stopped: a query is never half
// understood. Pure; thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Variant.h"

namespace quarvel::platform::store {

enum class Traversal { kShallow, kDeep };

struct QueryCondition {
  std::string property;
  ado::Variant value;  // text, whole number or boolean
  bool operator==(const QueryCondition&) const = default;
};

struct QueryOrder {
  std::string property;
  bool descending = false;
  bool operator==(const QueryOrder&) const = default;
};

struct FolderQuery {
  std::vector<std::string> select;  // as written, in order
  Traversal traversal = Traversal::kShallow;
  std::string scopeUrl;               // as written (may be percent-encoded)
  std::vector<QueryCondition> where;  // all must hold
  std::optional<QueryOrder> orderBy;
  bool operator==(const FolderQuery&) const = default;
};

[[nodiscard]] FolderQuery ParseFolderQuery(std::string_view text);

}  // namespace quarvel::platform::store
