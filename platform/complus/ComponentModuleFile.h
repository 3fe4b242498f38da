// Opening a component module file: the one place that checks a module before
// anything asks it for classes. Used by the catalog (to list a module's
// ProgIDs at installation) and by the host (to create objects).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/com/ComponentModule.h"

namespace quarvel::platform::complus {

// A loaded module. The handle is what dlopen returned; the table lives inside
// the module and is valid only while the module stays loaded.
struct OpenModule {
  void* handle = nullptr;
  const ComponentModuleTable* table = nullptr;
};

// Loads `file` (RTLD_NOW | RTLD_LOCAL) and checks its entry point and layout
// version. Throws PlatformError: kErrNotFound when the file does not exist,
// kErrFail when it cannot be loaded, lacks the entry point, or was built for
// another abiVersion (the module is unloaded again in those cases).
[[nodiscard]] OpenModule OpenComponentModule(const std::filesystem::path& file);

// The module's ProgIDs, in the module's order; empty entries are skipped.
[[nodiscard]] std::vector<std::string> ModuleProgIds(const ComponentModuleTable& table);

// Loads `file`, lists its ProgIDs and unloads it again; failures as
// OpenComponentModule. Safe only because no object of the module is created.
[[nodiscard]] std::vector<std::string> ListModuleProgIds(const std::filesystem::path& file);

}  // namespace quarvel::platform::complus
