// The directory's provider for the data layer, "adsDSOobject": connections
// open with the connection string "Active Directory Provider" (ignoring
// ASCII case; user and password are not checked, as on a server where the
// program runs as a domain user), and their commands are directory queries
// (DirectoryService::Search) with the command's properties.
//
// Opening a connection does not reach the directory; the first query does,
// so a missing directory fails the query, not the open. The provider is
// read-only: records and transactions throw PlatformError
// (ado::kErrFeatureNotAvailable). Another connection string throws
// kErrInvalidArgument.
//
// The registry keeps the service alive as long as it holds the provider; a
// session may run on any one thread at a time, the service on several.
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/ado/ProviderRegistry.h"
#include "platform/directory/DirectoryService.h"

namespace quarvel::platform::directory {

inline constexpr std::string_view kDirectoryProviderName = "adsDSOobject";
inline constexpr std::string_view kDirectoryConnectionString = "Active Directory Provider";

// Adds "adsDSOobject" answering from `service`. Throws as
// ProviderRegistry::Register does when the name is taken.
void RegisterDirectoryProvider(ado::ProviderRegistry& registry,
                               std::shared_ptr<const DirectoryService> service);

// The same, answering from the stand-in server's directory file below
// `serverRoot` (DirectoryFile.h).
void RegisterDirectoryProvider(ado::ProviderRegistry& registry,
                               const std::filesystem::path& serverRoot);

}  // namespace quarvel::platform::directory
