// The properties the store reports for a folder, by canonical name:
//   DAV:displayname, DAV:href (URL in `form`, readable: see UrlForm::Url), DAV:parentname
//   (the parent's URL in `form`, percent-encoded, without a trailing "/";
//   absent for the root), DAV:isfolder (true), DAV:ishidden, DAV:hassubs,
//   DAV:childcount (direct subfolders), and the folder's e-mail address
//   (kPropFolderEmailAddress, "" when not mail-enabled).
// The root's own "non_ipm_subtree" always counts as hidden: it holds the
// store's own items, never mail.
//
// Throws as the store's folder reads do (kErrNotFound for a missing folder).
// Thread-safe.
#pragma once

#include "platform/store/PublicStore.h"
#include "platform/store/provider/UrlForm.h"

namespace quarvel::platform::store {

inline constexpr const char* kPropDisplayName = "DAV:displayname";
inline constexpr const char* kPropHref = "DAV:href";
inline constexpr const char* kPropParentName = "DAV:parentname";
inline constexpr const char* kPropIsFolder = "DAV:isfolder";
inline constexpr const char* kPropIsHidden = "DAV:ishidden";
inline constexpr const char* kPropHasSubs = "DAV:hassubs";
inline constexpr const char* kPropChildCount = "DAV:childcount";
inline constexpr const char* kPropFolderEmailAddress =
    "http://schemas.microsoft.com/exchange/publicfolderemailaddress";

// The folder below the root that holds the store's own items.
inline constexpr const char* kNonIpmSubtree = "non_ipm_subtree";

[[nodiscard]] PropertyMap FolderProperties(const StoreOperations& store, const StorePath& folder,
                                           const UrlForm& form);

}  // namespace quarvel::platform::store
