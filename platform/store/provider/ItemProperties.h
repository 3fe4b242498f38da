// The properties the store reports for an item in a folder query's rows: the
// item's own stored properties (by canonical name), and
//   DAV:displayname (the item's name), DAV:href (URL in `form`, readable: see
//   UrlForm::Url), DAV:parentname (the folder's URL in `form`,
//   percent-encoded, without a trailing "/"), DAV:isfolder (false) and
//   DAV:ishidden (true for an event registration item, which is the store's
//   own and never mail).
// An item that stores one of these names itself keeps its own value for
// DAV:displayname; the others are always the store's.
//
// Throws as the store's item reads do (kErrNotFound for a missing item).
// Thread-safe.
#pragma once

#include "platform/store/PublicStore.h"
#include "platform/store/provider/UrlForm.h"

namespace quarvel::platform::store {

[[nodiscard]] PropertyMap ItemProperties(const PublicStore& store, const StorePath& item,
                                         const UrlForm& form);

}  // namespace quarvel::platform::store
