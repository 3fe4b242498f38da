// The component catalog as a setup program administers it: exactly the calls
// the setup program makes to find, create, remove and restart its
// application, install its component file and record a service for it.
// Shaped after the real platform's administration catalog: collections of
// objects with named properties, changed in the collection and written by
// SaveChanges.
//
// Implementations: ComponentCatalog (the stand-in server's catalog file),
// InMemoryCatalog (for tests) and FailingCatalog (a wrapper that fails a
// chosen call). See ComponentCatalog.h for the collections, the property
// names and which errors each call raises; all failures are PlatformError.
//
// Ownership: a collection refers to its catalog, which must outlive it; an
// object belongs to its collection. One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Variant.h"

namespace quarvel::platform::complus {

// The service name is taken (the platform's ERROR_SERVICE_EXISTS). Removing
// an application leaves its service, so a reinstall meets this answer.
inline constexpr std::int32_t kErrServiceExists = static_cast<std::int32_t>(0x80070431);

// One component whose module cannot be used, as RefreshComponents reports it.
struct ComponentProblem {
  std::string application;  // the application's name
  std::string progId;
  std::filesystem::path moduleFile;
  std::int32_t number = 0;  // why, as a PlatformError would carry it
  std::string description;
};

class AdminCatalogObject {
 public:
  virtual ~AdminCatalogObject() = default;
  // The application's "Name", or the component's ProgID.
  [[nodiscard]] virtual std::string Name() const = 0;
  // The application's "ID", or the component's ProgID.
  [[nodiscard]] virtual std::string Key() const = 0;
  [[nodiscard]] virtual ado::Variant Value(std::string_view property) const = 0;
  virtual void SetValue(std::string_view property, const ado::Variant& value) = 0;
};

class AdminCatalogCollection {
 public:
  virtual ~AdminCatalogCollection() = default;
  // Reads the catalog's current state; unsaved changes are dropped.
  virtual void Populate() = 0;
  [[nodiscard]] virtual std::size_t Count() const = 0;
  // From 0. A reference stays valid until the item is removed or the
  // collection is populated again.
  [[nodiscard]] virtual AdminCatalogObject& Item(std::size_t index) = 0;
  virtual AdminCatalogObject& Add() = 0;
  virtual void Remove(std::size_t index) = 0;
  // Returns how many objects were written.
  virtual std::size_t SaveChanges() = 0;
};

class AdminCatalog {
 public:
  virtual ~AdminCatalog() = default;

  // "Applications", or "Components" of the application whose ID is `key`.
  [[nodiscard]] virtual std::unique_ptr<AdminCatalogCollection> GetCollection(
      std::string_view name, std::string_view key) = 0;
  // Installs the classes of `moduleFile` into the application; `typeLib` and
  // `proxyStub` name no files on this platform.
  virtual void InstallComponent(std::string_view applicationName,
                                const std::filesystem::path& moduleFile, std::string_view typeLib,
                                std::string_view proxyStub) = 0;
  // Checks every installed component's module. A module that cannot be used
  // is reported for each of its components and never stops the check of the
  // others; only a catalog that cannot be read throws.
  [[nodiscard]] virtual std::vector<ComponentProblem> RefreshComponents() = 0;
  virtual void ShutdownApplication(std::string_view applicationName) = 0;
  virtual void StartApplication(std::string_view applicationName) = 0;
  // Records a service that runs the application. kErrServiceExists when a
  // service of that name is already recorded.
  virtual void CreateServiceForApplication(std::string_view applicationName,
                                           std::string_view serviceName, std::string_view startType,
                                           std::string_view errorControl,
                                           std::string_view dependencies, std::string_view runAs,
                                           std::string_view password, bool desktopOk) = 0;
};

}  // namespace quarvel::platform::complus
