// The component host of the stand-in server: creates objects by ProgID for the
// process it runs in, from the components the catalog file lists.
//
// The catalog file is checked (one stat) on every CreateObject and read again
// when it changed, so changes by another process (exsim complus, the setup
// program) apply to the next object.
//
// Run state: as on the real platform, an application that is shut down starts
// again on its next activation, so CreateObject works for every installed
// component whatever the application's state; it only reports the
// application's generation (ComponentCatalog counts one per shutdown). Only a
// component that is not installed — including one whose application was
// removed — or a module that cannot be used stops an object from being made.
//
// Each module file is loaded once per host and stays loaded until the process
// ends: an object's code lives in its module, and the host cannot know when
// the last object dies.
//
// Failures never throw (except std::bad_alloc): CreateObject returns no object
// and the reason, which the store writes to its event journal.
//
// Thread-safe: deliveries on several threads may call CreateObject at once.
// Catalog reads and module loads are serialised; creating and constructing
// the object runs outside the lock.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/IUnknown.h"
#include "platform/complus/ComponentCatalog.h"
#include "platform/complus/ComponentModuleFile.h"

namespace quarvel::platform::complus {

struct CreateResult {
  std::unique_ptr<IUnknown> object;  // nullptr when not created
  std::string whyNot;                // "" when created
  // The application's generation when the object was made.
  std::uint64_t generation = 0;
  // Identifies the loaded module (the same for every class of one file);
  // nullptr when no module was loaded.
  const void* module = nullptr;
};

class ComponentHost {
 public:
  explicit ComponentHost(std::filesystem::path catalogFile);
  ComponentHost(const ComponentHost&) = delete;
  ComponentHost& operator=(const ComponentHost&) = delete;

  // A new object of the component, constructed with its constructor string
  // when construction is enabled (IObjectConstruct::Construct; objects
  // without that interface are used as they are). A failing Construct
  // discards the object.
  [[nodiscard]] CreateResult CreateObject(std::string_view progId);

  // How many module files this host has loaded.
  [[nodiscard]] std::size_t LoadedModuleCount() const;

 private:
  struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const FileStamp& other) const;
  };

  // Both under mutex_. RefreshCatalog returns "" or why the catalog is unusable.
  std::string RefreshCatalog();
  const OpenModule& LoadModule(const std::filesystem::path& file);

  mutable std::mutex mutex_;
  const std::filesystem::path catalogFile_;
  std::optional<ComponentCatalog> catalog_;  // empty until the file was read once
  std::optional<FileStamp> stamp_;           // of the file catalog_ was last read from
  std::string catalogError_;                 // why that read failed, or ""
  std::map<std::filesystem::path, OpenModule> modules_;
};

}  // namespace quarvel::platform::complus
