// The component catalog of the stand-in server: which applications exist,
// which components (classes by ProgID, with the module file that holds them)
// each one contains, and how each is set up. It is one JSON file, e.g.
// EXSIM_ROOT/complus/catalog.json, readable and writable by its owner only
// (0600): it holds the applications' passwords.
//
// Two layers over the same data:
//  - the plain model (Application, Component, Service, ComponentCatalog's
//    Load, Save, Find...), used by the component host and the exsim command
//    line;
//  - the administration catalog a setup program uses (AdminCatalog.h:
//    GetCollection, CatalogCollection, CatalogObject, InstallComponent, ...),
//    shaped after the real platform's. Each of its calls re-reads the file,
//    applies its change and writes the file back, so changes another process
//    made in between are kept; unsaved changes to the plain model are
//    replaced.
//
// Services are recorded beside the applications, as the host's service
// manager keeps them: removing an application leaves the service that runs
// it, and a service names its application by name.
//
// Passwords are never printed: Describe and operator<< mask them, reading the
// "Password" property gives "********", and no error message contains one.
//
// Failures are PlatformError: kErrNotFound for an unknown application,
// component, collection or module file; kErrInvalidArgument for an unknown
// property, a value of the wrong kind or an index out of range;
// kErrObjectAlreadyInCollection for a ProgID that already exists;
// kErrServiceExists for a service name that is taken; kErrFail for a file
// that cannot be read or written and a module that cannot be used at
// installation. A failed call leaves the file as it was.
//
// InMemoryCatalog (InMemoryCatalog.h) is the same catalog without a file.
//
// A ComponentCatalog and its collections are used by one thread at a time;
// writes replace the file atomically (temporary file, then rename), so readers
// in other threads or processes see the old catalog or the new one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "common/FileWriter.h"
#include "platform/ado/Variant.h"
#include "platform/complus/AdminCatalog.h"

namespace quarvel::platform::complus {

// What reading a set "Password" gives, and what listings print for one.
inline constexpr std::string_view kMaskedPassword = "********";

// What was recorded by CreateServiceForApplication. The service's password is
// not kept: nothing here starts a service.
struct Service {
  std::string name;
  std::string application;  // the name of the application it runs
  std::string startType;
  std::string errorControl;
  std::string dependencies;
  std::string runAs;
  bool desktopInteraction = false;
};

struct Component {
  std::string progId;                // the component's name
  std::filesystem::path moduleFile;  // absolute
  bool constructionEnabled = false;
  std::optional<std::string> constructorString;  // nullopt is the platform's null
};

struct Application {
  std::string name;
  std::string id;  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case
  std::string identity = "Interactive User";
  std::string password;  // secret: never print it
  std::string description;
  bool accessChecksEnabled = true;  // "ApplicationAccessChecksEnabled"
  bool running = false;             // false: shut down
  // Counts shutdowns, so a host can tell that objects it made belong to an
  // earlier run of the application.
  std::uint64_t generation = 0;
  std::vector<Component> components;
};

// The listing of one application with its password masked.
[[nodiscard]] std::string DescribeApplication(const Application& application);
// Writes DescribeApplication, so logs and test output never show a password.
std::ostream& operator<<(std::ostream& out, const Application& application);

class ComponentCatalog;

// One application or component as the administration catalog shows it.
// Property names are "Name", "ID", "Identity", "Password", "Description" and
// "ApplicationAccessChecksEnabled" for applications; "Name" (the ProgID,
// read-only), "ConstructionEnabled" and "ConstructorString" for components.
// "ID" is read-only; booleans accept True/False, numbers and "True"/"False";
// only "ConstructorString" may be null.
class CatalogObject : public AdminCatalogObject {
 public:
  [[nodiscard]] std::string Name() const override;
  // The application's ID, or the component's ProgID.
  [[nodiscard]] std::string Key() const override;
  [[nodiscard]] ado::Variant Value(std::string_view property) const override;
  void SetValue(std::string_view property, const ado::Variant& value) override;

 private:
  friend class CatalogCollection;
  explicit CatalogObject(std::variant<Application, Component> entry) : entry_(std::move(entry)) {}

  std::variant<Application, Component> entry_;  // an Application without components
  bool changed_ = false;
};

// A collection of the administration catalog: empty until Populate(); Add,
// Remove and SetValue change only this collection until SaveChanges().
// Indices start at 0. References from Item and Add stay valid until that item
// is removed or the collection is populated again. The catalog must outlive
// the collection.
class CatalogCollection : public AdminCatalogCollection {
 public:
  enum class Kind { kApplications, kComponents };

  // applicationId: for kComponents, the ID of the application whose
  // components this is.
  CatalogCollection(ComponentCatalog& catalog, Kind kind, std::string applicationId);

  // Reads the current catalog file, dropping unsaved changes.
  void Populate() override;
  [[nodiscard]] std::size_t Count() const override { return items_.size(); }
  [[nodiscard]] CatalogObject& Item(std::size_t index) override;
  // A new application with a fresh ID; components come only from
  // InstallComponent (kErrFail here).
  CatalogObject& Add() override;
  void Remove(std::size_t index) override;
  // Writes added, changed and removed objects into the catalog file; other
  // entries of the file stay as they are. Returns how many objects changed.
  std::size_t SaveChanges() override;

 private:
  ComponentCatalog& catalog_;
  Kind kind_;
  std::string applicationId_;
  std::vector<std::unique_ptr<CatalogObject>> items_;
  std::vector<std::string> removedKeys_;
};

class ComponentCatalog : public AdminCatalog {
 public:
  // 16 bytes for a new application ID.
  using GuidSource = std::function<std::array<std::uint8_t, 16>()>;
  // The ProgIDs a module file holds; throws PlatformError as
  // ListModuleProgIds (ComponentModuleFile.h) does, which is the default.
  using ModuleLister = std::function<std::vector<std::string>(const std::filesystem::path&)>;

  // Reads `file` if it exists; a missing file is an empty catalog, created on
  // the first save. Without a GUID source, IDs come from std::random_device.
  // The file is written through `files`, which must outlive the catalog.
  explicit ComponentCatalog(std::filesystem::path file, GuidSource newGuid = {},
                            ModuleLister listModule = {}, FileWriter& files = SystemFiles());

  // Empty for a catalog kept in memory.
  [[nodiscard]] const std::filesystem::path& File() const { return file_; }

  // --- Plain model ---------------------------------------------------------
  // Replaces the model by the file's contents (empty when there is no file).
  void Load();
  // Writes the model: temporary file in the same directory, mode 0600, then
  // rename over the catalog file. Creates the directory if needed.
  void Save() const;

  [[nodiscard]] std::vector<Application>& Applications() { return applications_; }
  [[nodiscard]] const std::vector<Application>& Applications() const { return applications_; }
  [[nodiscard]] std::vector<Service>& Services() { return services_; }
  [[nodiscard]] const std::vector<Service>& Services() const { return services_; }
  // By name, ignoring case; the first match, or nullptr.
  [[nodiscard]] Application* FindApplication(std::string_view name);
  [[nodiscard]] const Application* FindApplication(std::string_view name) const;
  // By ID, ignoring case; nullptr when there is none.
  [[nodiscard]] Application* FindApplicationById(std::string_view id);
  // The component with that ProgID (ignoring case) and its application, or
  // {nullptr, nullptr}.
  [[nodiscard]] std::pair<const Application*, const Component*> FindComponent(
      std::string_view progId) const;
  // Appends a shut-down application with a fresh ID.
  Application& AddApplication(std::string name);
  // A new ID in the catalog's form.
  [[nodiscard]] std::string NewApplicationId();
  // By name, ignoring case; nullptr when there is none.
  [[nodiscard]] const Service* FindService(std::string_view name) const;
  // Every application, passwords masked, then every service.
  [[nodiscard]] std::string Describe() const;

  // --- Administration catalog ----------------------------------------------
  // "Applications", or "Components" with the owning application's ID as key.
  [[nodiscard]] std::unique_ptr<AdminCatalogCollection> GetCollection(
      std::string_view name, std::string_view key = {}) override;
  // Adds one component per ProgID the module lists (construction disabled,
  // constructor string null), replacing components of the same ProgID in that
  // application. typeLib and proxyStub name no files on this platform and are
  // ignored. A ProgID installed in another application is refused.
  void InstallComponent(std::string_view applicationName, const std::filesystem::path& moduleFile,
                        std::string_view typeLib = {}, std::string_view proxyStub = {}) override;
  // Checks that every component's module still loads and still lists its
  // ProgID, and reports each one that does not (kErrNotFound for a module
  // gone or no longer holding the ProgID, kErrFail for one that cannot be
  // loaded). Each module is loaded once per call.
  [[nodiscard]] std::vector<ComponentProblem> RefreshComponents() override;
  // Marks the application shut down and counts a new generation. Objects
  // already created live on; the next activation starts it again.
  void ShutdownApplication(std::string_view applicationName) override;
  void StartApplication(std::string_view applicationName) override;
  // Records a service running the application (found by name or ID); the
  // service names it by name. The password is checked for nothing and not
  // kept. kErrServiceExists when the service name is taken, whichever
  // application that service runs.
  void CreateServiceForApplication(std::string_view applicationName, std::string_view serviceName,
                                   std::string_view startType, std::string_view errorControl,
                                   std::string_view dependencies, std::string_view runAs,
                                   std::string_view password, bool desktopOk) override;
  // Removes the services that run the application (by name, ignoring case);
  // kErrNotFound when there is none.
  void DeleteServiceForApplication(std::string_view applicationName);

 protected:
  struct InMemory {};
  // A catalog without a file: Save keeps the state, Load goes back to it.
  ComponentCatalog(InMemory, GuidSource newGuid, ModuleLister listModule);

 private:
  // Loads the file, finds the application by name or ID, or throws.
  Application& LoadAndFind(std::string_view applicationNameOrId);
  // The catalog's content as the file holds it, and back.
  void Parse(std::istream& in);
  [[nodiscard]] std::string Serialise() const;
  // How messages name this catalog.
  [[nodiscard]] std::string Where() const;

  std::filesystem::path file_;
  FileWriter* files_ = &SystemFiles();
  GuidSource newGuid_;
  ModuleLister listModule_;
  bool inMemory_ = false;
  mutable std::string savedText_;  // in memory: what the last Save kept
  std::vector<Application> applications_;
  std::vector<Service> services_;
};

}  // namespace quarvel::platform::complus
