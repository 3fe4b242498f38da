// Answers a folder query against the store. The rows are the folders below
// the scope (shallow: its direct subfolders; deep: all its descendants, depth
// first, parents before children, never looking inside a folder that denies
// access), each kept when every WHERE condition holds, then sorted by ORDER BY
// (stable; text ignoring case; null first), with one value per selected
// property. A property the store does not know is null, not an error.
//
// Items come back only when asked for by name: a shallow traversal whose
// WHERE holds "DAV:isfolder" = False answers the scope's own items (by name;
// their properties as ItemProperties.h says) instead of its folders. Items
// are never listed deeply: such a query is refused whole.
//
// DAV:href and DAV:parentname come in the http form: the scope's own scheme
// and host when the scope URL has that form, otherwise http://<hostName>.
//
// Throws PlatformError: kErrInvalidArgument for a scope that is no store URL
// and for items asked of a deep traversal, kErrNotFound when the scope folder
// does not exist, kErrAccessDenied when it denies access. Thread-safe.
#pragma once

#include <string>

#include "platform/ado/Rowset.h"
#include "platform/store/PublicStore.h"
#include "platform/store/provider/FolderQuery.h"

namespace quarvel::platform::store {

[[nodiscard]] ado::Rowset SearchFolders(const PublicStore& store, const FolderQuery& query,
                                        const std::string& hostName);

}  // namespace quarvel::platform::store
