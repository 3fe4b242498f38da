// The one entry point a component module exports, through which the
// component host lists the classes a module holds and creates their objects.
// Modules hide every other symbol.
#pragma once

#include <cstddef>

#include "platform/com/IUnknown.h"

extern "C" {

struct ComponentModuleTable {
  // Hosts refuse modules built against another layout.
  int abiVersion;
  // The ProgIDs of the module's creatable classes.
  const char* const* progIds;
  std::size_t progIdCount;
  // A new object of the class, owned by the caller (delete it), or nullptr
  // for a ProgID the module does not hold.
  quarvel::platform::IUnknown* (*createObject)(const char* progId);
};

// The name the host looks up.
#define COMPONENT_MODULE_ENTRY "ComponentModuleEntry"
using ComponentModuleEntryFunction = const ComponentModuleTable* (*)();
}

namespace quarvel::platform {
inline constexpr int kComponentModuleAbiVersion = 1;
}
