// The directory as the setup program reaches it: binding an object by path
// ("GC://RootDSE") and running a query of the directory's SQL dialect (what
// the "adsDSOobject" provider passes on, see DirectoryProvider.h).
//
// Implementations: Directory (entries in memory), DirectoryFile (the
// stand-in server's LDIF file, read at every call) and FailingDirectory (a
// wrapper that fails a chosen call). All are safe to call from several
// threads at once unless they say otherwise.
#pragma once

#include <string>

#include "platform/ado/Properties.h"
#include "platform/ado/Rowset.h"
#include "platform/directory/DirectoryObject.h"

namespace quarvel::platform::directory {

class DirectoryService {
 public:
  virtual ~DirectoryService() = default;

  // The object at `path`. Throws PlatformError: kErrNoSuchDomain when there
  // is no directory, kErrInvalidPathSyntax for text that is no directory path,
  // kErrNoSuchObject for a path without object.
  [[nodiscard]] virtual DirectoryObject Bind(const std::string& path) const = 0;

  // The rows answering `queryText` (DirectoryQuery.h), one field per selected
  // attribute, named as selected; `properties` are the command's (see
  // SearchPreferences.h). Throws PlatformError: kErrNoSuchDomain when there is
  // no directory, kErrErrorsInCommand for a query outside the dialect,
  // kErrServerNotOperational for a host other than this directory's, and as
  // ReadSearchPreferences does for a bad property.
  [[nodiscard]] virtual ado::Rowset Search(const std::string& queryText,
                                           const ado::Properties& properties) const = 0;
};

}  // namespace quarvel::platform::directory
