// The component catalog kept in memory, for tests: the same catalog as the
// stand-in server's file (ComponentCatalog.h), with the same collections,
// properties and errors, but nothing is written anywhere. A module lister
// can stand in for loading module files, so a test needs no real module: it
// says which ProgIDs a file holds, or throws as a module that cannot be used.
// One thread at a time.
#pragma once

#include <utility>

#include "platform/complus/ComponentCatalog.h"

namespace quarvel::platform::complus {

class InMemoryCatalog : public ComponentCatalog {
 public:
  // Without a lister, module files are loaded as the file-backed catalog
  // loads them.
  explicit InMemoryCatalog(ModuleLister listModule = {}, GuidSource newGuid = {})
      : ComponentCatalog(InMemory{}, std::move(newGuid), std::move(listModule)) {}
};

}  // namespace quarvel::platform::complus
