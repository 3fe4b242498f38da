#include "platform/complus/ComponentModuleFile.h"

#include <dlfcn.h>

#include <system_error>

#include "platform/PlatformError.h"

namespace quarvel::platform::complus {

OpenModule OpenComponentModule(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) {
    throw PlatformError(kErrNotFound, "component module file not found: " + file.string());
  }
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    throw PlatformError(kErrFail, "cannot load component module " + file.string() + ": " +
                                      (why != nullptr ? why : "unknown error"));
  }
  const auto fail = [&](const std::string& why) {
    dlclose(handle);
    return PlatformError(kErrFail, "component module " + file.string() + " " + why);
  };
  const auto entry =
      reinterpret_cast<ComponentModuleEntryFunction>(dlsym(handle, COMPONENT_MODULE_ENTRY));
  if (entry == nullptr) throw fail("does not export " COMPONENT_MODULE_ENTRY);
  const ComponentModuleTable* table = entry();
  if (table == nullptr) throw fail("returned no class table");
  if (table->abiVersion != kComponentModuleAbiVersion) {
    throw fail("was built for abiVersion " + std::to_string(table->abiVersion) +
               ", this host needs " + std::to_string(kComponentModuleAbiVersion));
  }
  if (table->createObject == nullptr || (table->progIds == nullptr && table->progIdCount > 0)) {
    throw fail("has an incomplete class table");
  }
  return {handle, table};
}

std::vector<std::string> ModuleProgIds(const ComponentModuleTable& table) {
  std::vector<std::string> progIds;
  for (std::size_t i = 0; i < table.progIdCount; ++i) {
    if (table.progIds[i] != nullptr && *table.progIds[i] != '\0') {
      progIds.emplace_back(table.progIds[i]);
    }
  }
  return progIds;
}

std::vector<std::string> ListModuleProgIds(const std::filesystem::path& file) {
  const OpenModule module = OpenComponentModule(file);
  auto progIds = ModuleProgIds(*module.table);
  dlclose(module.handle);
  return progIds;
}

}  // namespace quarvel::platform::complus
