// The store provider's StoreGuidFromUrl: the GUID text of the public store
// that holds a URL. A store holds the URLs below the root folder URL of its
// folder tree; the MAPI tree's store also holds both store URL forms of the
// public folder tree on this server (http://<computerName>/Public/... and
// file://./backofficestorage/<mailDomain>/Public Folders/...). URLs compare
// ignoring case after percent-decoding; a root URL without its trailing "/"
// counts as the root.
//
// Throws PlatformError(kErrNotFound) when no configured store holds the URL,
// kErrInvalidArgument for a malformed percent escape. Thread-safe.
#pragma once

#include <string>

#include "platform/store/provider/ServerConfig.h"

namespace quarvel::platform::store {

[[nodiscard]] std::string StoreGuidFromUrl(const ServerConfig& config, const std::string& url);

}  // namespace quarvel::platform::store
