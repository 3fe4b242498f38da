#include "platform/complus/ComponentCatalog.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <random>
#include <sstream>
#include <system_error>

#include "common/FileWriter.h"
#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/complus/ComponentModuleFile.h"

namespace quarvel::platform::complus {
namespace {

using nlohmann::json;

constexpr std::string_view kMaskedPassword = "********";

ComponentCatalog::GuidSource RandomGuidSource() {
  // Shared so the source stays copyable; std::random_device is not.
  auto device = std::make_shared<std::random_device>();
  return [device] {
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
      const auto value = static_cast<std::uint32_t>((*device)());
      for (std::size_t j = 0; j < 4; ++j)
        bytes[i + j] = static_cast<std::uint8_t>(value >> (8 * j));
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4: random
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return bytes;
  };
}

std::string FormatGuid(const std::array<std::uint8_t, 16>& b) {
  char text[39];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0],
                b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return text;
}

[[noreturn]] void ThrowNotFound(const std::string& what) {
  throw PlatformError(kErrNotFound, what);
}
[[noreturn]] void ThrowInvalid(const std::string& what) {
  throw PlatformError(kErrInvalidArgument, what);
}

// --- Reading the file ---------------------------------------------------------
// Messages name the field, never its value: the file holds passwords.

class Reader {
 public:
  explicit Reader(std::string catalog) : catalog_(std::move(catalog)) {}

  [[noreturn]] void Fail(const std::string& where, const std::string& why) const {
    throw PlatformError(kErrFail, catalog_ + ": " + where + why);
  }

  const json& Member(const json& object, const char* key, const std::string& where) const {
    static const json kAbsent;
    if (!object.is_object()) Fail(where, "is not an object");
    const auto it = object.find(key);
    return it == object.end() ? kAbsent : *it;
  }

  std::string Text(const json& object, const char* key, const std::string& where,
                   std::string fallback = {}) const {
    const json& value = Member(object, key, where);
    if (value.is_null()) return fallback;
    if (!value.is_string()) Fail(where, std::string("\"") + key + "\" must be text");
    return value.get<std::string>();
  }

  std::optional<std::string> NullableText(const json& object, const char* key,
                                          const std::string& where) const {
    const json& value = Member(object, key, where);
    if (value.is_null()) return std::nullopt;
    if (!value.is_string()) Fail(where, std::string("\"") + key + "\" must be text or null");
    return value.get<std::string>();
  }

  bool Flag(const json& object, const char* key, const std::string& where, bool fallback) const {
    const json& value = Member(object, key, where);
    if (value.is_null()) return fallback;
    if (!value.is_boolean()) Fail(where, std::string("\"") + key + "\" must be true or false");
    return value.get<bool>();
  }

  std::uint64_t Count(const json& object, const char* key, const std::string& where) const {
    const json& value = Member(object, key, where);
    if (value.is_null()) return 0;
    if (!value.is_number_unsigned()) {
      Fail(where, std::string("\"") + key + "\" must be a whole number");
    }
    return value.get<std::uint64_t>();
  }

  const json& List(const json& object, const char* key, const std::string& where) const {
    static const json kEmpty = json::array();
    const json& value = Member(object, key, where);
    if (value.is_null()) return kEmpty;
    if (!value.is_array()) Fail(where, std::string("\"") + key + "\" must be a list");
    return value;
  }

 private:
  std::string catalog_;
};

Application ReadApplication(const Reader& reader, const json& entry, std::size_t index) {
  const std::string where = "application " + std::to_string(index + 1) + ": ";
  Application app;
  app.name = reader.Text(entry, "Name", where);
  app.id = reader.Text(entry, "ID", where);
  app.identity = reader.Text(entry, "Identity", where, app.identity);
  app.password = reader.Text(entry, "Password", where);
  app.description = reader.Text(entry, "Description", where);
  app.accessChecksEnabled =
      reader.Flag(entry, "ApplicationAccessChecksEnabled", where, app.accessChecksEnabled);
  app.running = reader.Flag(entry, "Running", where, false);
  app.generation = reader.Count(entry, "Generation", where);
  if (app.name.empty() || app.id.empty()) reader.Fail(where, "needs a \"Name\" and an \"ID\"");

  const json& components = reader.List(entry, "Components", where);
  for (std::size_t i = 0; i < components.size(); ++i) {
    const std::string componentWhere = where + "component " + std::to_string(i + 1) + ": ";
    Component component;
    component.progId = reader.Text(components[i], "Name", componentWhere);
    component.moduleFile = reader.Text(components[i], "ModuleFile", componentWhere);
    component.constructionEnabled =
        reader.Flag(components[i], "ConstructionEnabled", componentWhere, false);
    component.constructorString =
        reader.NullableText(components[i], "ConstructorString", componentWhere);
    if (component.progId.empty() || component.moduleFile.empty()) {
      reader.Fail(componentWhere, "needs a \"Name\" and a \"ModuleFile\"");
    }
    app.components.push_back(std::move(component));
  }
  return app;
}

Service ReadService(const Reader& reader, const json& entry, std::size_t index) {
  const std::string where = "service " + std::to_string(index + 1) + ": ";
  Service service{reader.Text(entry, "Name", where),
                  reader.Text(entry, "Application", where),
                  reader.Text(entry, "StartType", where),
                  reader.Text(entry, "ErrorControl", where),
                  reader.Text(entry, "Dependencies", where),
                  reader.Text(entry, "RunAs", where),
                  reader.Flag(entry, "DesktopInteraction", where, false)};
  if (service.name.empty()) reader.Fail(where, "needs a \"Name\"");
  return service;
}

json WriteService(const Service& service) {
  return {{"Name", service.name},
          {"Application", service.application},
          {"StartType", service.startType},
          {"ErrorControl", service.errorControl},
          {"Dependencies", service.dependencies},
          {"RunAs", service.runAs},
          {"DesktopInteraction", service.desktopInteraction}};
}

json WriteApplication(const Application& app) {
  json entry = {{"Name", app.name},
                {"ID", app.id},
                {"Identity", app.identity},
                {"Password", app.password},
                {"Description", app.description},
                {"ApplicationAccessChecksEnabled", app.accessChecksEnabled},
                {"Running", app.running},
                {"Generation", app.generation}};
  json components = json::array();
  for (const Component& component : app.components) {
    components.push_back(
        {{"Name", component.progId},
         {"ModuleFile", component.moduleFile.string()},
         {"ConstructionEnabled", component.constructionEnabled},
         {"ConstructorString",
          component.constructorString ? json(*component.constructorString) : json(nullptr)}});
  }
  entry["Components"] = std::move(components);
  return entry;
}

[[noreturn]] void ThrowSaveError(const std::filesystem::path& file, const char* step, int error) {
  throw PlatformError(kErrFail, "cannot save component catalog " + file.string() + " (" + step +
                                    "): " + std::strerror(error));
}

void WriteFileAtOnce(FileWriter& files, const std::filesystem::path& file,
                     const std::string& content) {
  const std::filesystem::path directory = file.parent_path();
  if (!directory.empty()) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) ThrowSaveError(file, "create directory", error.value());
  }
  try {
    // 0600 whatever the umask: the catalog holds passwords.
    files.ReplaceWholeFile(file.string(), content, FileAccess{.mode = S_IRUSR | S_IWUSR});
  } catch (const FileWriteError& failure) {
    ThrowSaveError(file, std::string(StepName(failure.Step())).c_str(), failure.Error());
  }
}

// --- Property values ------------------------------------------------------------

std::string TextValue(std::string_view property, const ado::Variant& value) {
  if (value.IsNull()) ThrowInvalid("property \"" + std::string(property) + "\" cannot be null");
  return value.ToString();
}

bool FlagValue(std::string_view property, const ado::Variant& value) {
  // As the platform converts: any non-zero number is True.
  if (value.IsBoolean()) return value == ado::Variant(true);
  if (value.IsInteger()) return value != ado::Variant(0);
  if (value.IsString()) {
    if (text::EqualsIgnoreCase(value.ToString(), "True")) return true;
    if (text::EqualsIgnoreCase(value.ToString(), "False")) return false;
  }
  ThrowInvalid("property \"" + std::string(property) + "\" needs True or False");
}

[[noreturn]] void ThrowUnknownProperty(std::string_view property, std::string_view kind) {
  ThrowInvalid("unknown " + std::string(kind) + " property \"" + std::string(property) + "\"");
}

[[noreturn]] void ThrowReadOnly(std::string_view property) {
  ThrowInvalid("property \"" + std::string(property) + "\" is read-only");
}

bool SameId(std::string_view a, std::string_view b) { return text::EqualsIgnoreCase(a, b); }

}  // namespace

// --- Listing -------------------------------------------------------------------------

std::string DescribeApplication(const Application& app) {
  std::ostringstream out;
  out << "Application \"" << app.name << "\" " << app.id << "\n"
      << "  Identity: " << app.identity << "\n"
      << "  Password: " << (app.password.empty() ? std::string_view() : kMaskedPassword) << "\n"
      << "  Description: " << app.description << "\n"
      << "  ApplicationAccessChecksEnabled: " << (app.accessChecksEnabled ? "True" : "False")
      << "\n"
      << "  State: " << (app.running ? "running" : "shut down") << " (generation " << app.generation
      << ")\n";
  for (const Component& component : app.components) {
    out << "  Component " << component.progId << " in " << component.moduleFile.string() << "\n"
        << "    ConstructionEnabled: " << (component.constructionEnabled ? "True" : "False") << "\n"
        << "    ConstructorString: "
        << (component.constructorString ? "\"" + *component.constructorString + "\""
                                        : std::string("(null)"))
        << "\n";
  }
  return out.str();
}

std::ostream& operator<<(std::ostream& out, const Application& application) {
  return out << DescribeApplication(application);
}

// --- CatalogObject -------------------------------------------------------------------

std::string CatalogObject::Name() const {
  if (const auto* app = std::get_if<Application>(&entry_)) return app->name;
  return std::get<Component>(entry_).progId;
}

std::string CatalogObject::Key() const {
  if (const auto* app = std::get_if<Application>(&entry_)) return app->id;
  return std::get<Component>(entry_).progId;
}

ado::Variant CatalogObject::Value(std::string_view property) const {
  if (const auto* app = std::get_if<Application>(&entry_)) {
    if (property == "Name") return app->name;
    if (property == "ID") return app->id;
    if (property == "Identity") return app->identity;
    // Write-only, as on the real platform: reading tells only whether one is set.
    if (property == "Password") return std::string(app->password.empty() ? "" : kMaskedPassword);
    if (property == "Description") return app->description;
    if (property == "ApplicationAccessChecksEnabled") return app->accessChecksEnabled;
    ThrowUnknownProperty(property, "application");
  }
  const auto& component = std::get<Component>(entry_);
  if (property == "Name") return component.progId;
  if (property == "ConstructionEnabled") return component.constructionEnabled;
  if (property == "ConstructorString") {
    return component.constructorString ? ado::Variant(*component.constructorString)
                                       : ado::Variant::Null();
  }
  ThrowUnknownProperty(property, "component");
}

void CatalogObject::SetValue(std::string_view property, const ado::Variant& value) {
  if (auto* app = std::get_if<Application>(&entry_)) {
    if (property == "Name") {
      app->name = TextValue(property, value);
    } else if (property == "ID") {
      ThrowReadOnly(property);
    } else if (property == "Identity") {
      app->identity = TextValue(property, value);
    } else if (property == "Password") {
      app->password = TextValue(property, value);
    } else if (property == "Description") {
      app->description = TextValue(property, value);
    } else if (property == "ApplicationAccessChecksEnabled") {
      app->accessChecksEnabled = FlagValue(property, value);
    } else {
      ThrowUnknownProperty(property, "application");
    }
  } else {
    auto& component = std::get<Component>(entry_);
    if (property == "Name") {
      ThrowReadOnly(property);
    } else if (property == "ConstructionEnabled") {
      component.constructionEnabled = FlagValue(property, value);
    } else if (property == "ConstructorString") {
      component.constructorString =
          value.IsNull() ? std::nullopt : std::optional<std::string>(value.ToString());
    } else {
      ThrowUnknownProperty(property, "component");
    }
  }
  changed_ = true;
}

// --- CatalogCollection ---------------------------------------------------------------

CatalogCollection::CatalogCollection(ComponentCatalog& catalog, Kind kind,
                                     std::string applicationId)
    : catalog_(catalog), kind_(kind), applicationId_(std::move(applicationId)) {}

void CatalogCollection::Populate() {
  catalog_.Load();
  std::vector<std::unique_ptr<CatalogObject>> items;
  if (kind_ == Kind::kApplications) {
    for (const Application& app : catalog_.Applications()) {
      Application copy = app;
      copy.components.clear();
      items.emplace_back(new CatalogObject(std::move(copy)));
    }
  } else {
    const Application* app = catalog_.FindApplicationById(applicationId_);
    if (app == nullptr) ThrowNotFound("no application with ID " + applicationId_);
    for (const Component& component : app->components) {
      items.emplace_back(new CatalogObject(component));
    }
  }
  items_ = std::move(items);
  removedKeys_.clear();
}

CatalogObject& CatalogCollection::Item(std::size_t index) {
  if (index >= items_.size()) {
    ThrowInvalid("catalog collection index " + std::to_string(index) + " out of range (count " +
                 std::to_string(items_.size()) + ")");
  }
  return *items_[index];
}

CatalogObject& CatalogCollection::Add() {
  if (kind_ != Kind::kApplications) {
    throw PlatformError(kErrFail, "components are added with InstallComponent");
  }
  Application app;
  app.id = catalog_.NewApplicationId();
  auto& item = items_.emplace_back(new CatalogObject(std::move(app)));
  item->changed_ = true;
  return *item;
}

void CatalogCollection::Remove(std::size_t index) {
  const std::string key = Item(index).Key();
  removedKeys_.push_back(key);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::size_t CatalogCollection::SaveChanges() {
  for (const auto& item : items_) {
    if (item->changed_ && item->Name().empty()) ThrowInvalid("an application needs a name");
  }
  // Work on the current file, so entries this collection did not touch keep
  // what others wrote since Populate.
  catalog_.Load();
  std::size_t changes = removedKeys_.size();
  auto& apps = catalog_.Applications();
  if (kind_ == Kind::kApplications) {
    for (const std::string& id : removedKeys_) {
      std::erase_if(apps, [&](const Application& app) { return SameId(app.id, id); });
    }
    for (const auto& item : items_) {
      if (!item->changed_) continue;
      const auto& changed = std::get<Application>(item->entry_);
      Application* app = catalog_.FindApplicationById(changed.id);
      if (app == nullptr) {
        app = &apps.emplace_back();
        app->id = changed.id;
      }
      app->name = changed.name;
      app->identity = changed.identity;
      app->password = changed.password;
      app->description = changed.description;
      app->accessChecksEnabled = changed.accessChecksEnabled;
      ++changes;
    }
  } else {
    Application* app = catalog_.FindApplicationById(applicationId_);
    if (app == nullptr) ThrowNotFound("no application with ID " + applicationId_);
    for (const std::string& progId : removedKeys_) {
      std::erase_if(app->components, [&](const Component& component) {
        return text::EqualsIgnoreCase(component.progId, progId);
      });
    }
    for (const auto& item : items_) {
      if (!item->changed_) continue;
      const auto& changed = std::get<Component>(item->entry_);
      for (Component& component : app->components) {
        if (text::EqualsIgnoreCase(component.progId, changed.progId)) {
          component.constructionEnabled = changed.constructionEnabled;
          component.constructorString = changed.constructorString;
          ++changes;
        }
      }
    }
  }
  catalog_.Save();
  for (const auto& item : items_) item->changed_ = false;
  removedKeys_.clear();
  return changes;
}

// --- ComponentCatalog: plain model ---------------------------------------------------

ComponentCatalog::ComponentCatalog(std::filesystem::path file, GuidSource newGuid,
                                   ModuleLister listModule, FileWriter& files)
    : file_(std::move(file)),
      files_(&files),
      newGuid_(newGuid ? std::move(newGuid) : RandomGuidSource()),
      listModule_(listModule ? std::move(listModule) : ModuleLister(ListModuleProgIds)) {
  Load();
}

ComponentCatalog::ComponentCatalog(InMemory, GuidSource newGuid, ModuleLister listModule)
    : newGuid_(newGuid ? std::move(newGuid) : RandomGuidSource()),
      listModule_(listModule ? std::move(listModule) : ModuleLister(ListModuleProgIds)),
      inMemory_(true) {}

std::string ComponentCatalog::Where() const {
  return inMemory_ ? std::string("component catalog (in memory)")
                   : "component catalog " + file_.string();
}

void ComponentCatalog::Load() {
  if (inMemory_) {
    if (savedText_.empty()) {
      applications_.clear();
      services_.clear();
      return;
    }
    std::istringstream in(savedText_);
    Parse(in);
    return;
  }
  std::ifstream in(file_, std::ios::binary);
  if (!in) {
    std::error_code error;
    if (!std::filesystem::exists(file_, error) && !error) {
      applications_.clear();
      services_.clear();
      return;
    }
    throw PlatformError(kErrFail, "cannot read component catalog " + file_.string());
  }
  Parse(in);
}

void ComponentCatalog::Parse(std::istream& in) {
  const Reader reader(Where());
  json document;
  try {
    document = json::parse(in);
  } catch (const json::parse_error& e) {
    // e.what() quotes the text it read, which may be a password.
    reader.Fail("", "not valid JSON near byte " + std::to_string(e.byte));
  }
  const json& list = reader.List(document, "Applications", "");
  std::vector<Application> applications;
  for (std::size_t i = 0; i < list.size(); ++i) {
    applications.push_back(ReadApplication(reader, list[i], i));
  }
  const json& serviceList = reader.List(document, "Services", "");
  std::vector<Service> services;
  for (std::size_t i = 0; i < serviceList.size(); ++i) {
    services.push_back(ReadService(reader, serviceList[i], i));
  }
  applications_ = std::move(applications);
  services_ = std::move(services);
}

std::string ComponentCatalog::Serialise() const {
  json applications = json::array();
  for (const Application& app : applications_) applications.push_back(WriteApplication(app));
  json services = json::array();
  for (const Service& service : services_) services.push_back(WriteService(service));
  try {
    return json{{"Applications", std::move(applications)}, {"Services", std::move(services)}}.dump(
               2) +
           "\n";
  } catch (const json::type_error&) {
    ThrowInvalid("cannot save " + Where() + ": it holds text that is not valid UTF-8");
  }
}

void ComponentCatalog::Save() const {
  std::string content = Serialise();
  if (inMemory_) {
    savedText_ = std::move(content);
    return;
  }
  WriteFileAtOnce(*files_, file_, content);
}

Application* ComponentCatalog::FindApplication(std::string_view name) {
  for (Application& app : applications_) {
    if (text::EqualsIgnoreCase(app.name, name)) return &app;
  }
  return nullptr;
}

const Application* ComponentCatalog::FindApplication(std::string_view name) const {
  return const_cast<ComponentCatalog*>(this)->FindApplication(name);
}

Application* ComponentCatalog::FindApplicationById(std::string_view id) {
  for (Application& app : applications_) {
    if (SameId(app.id, id)) return &app;
  }
  return nullptr;
}

std::pair<const Application*, const Component*> ComponentCatalog::FindComponent(
    std::string_view progId) const {
  for (const Application& app : applications_) {
    for (const Component& component : app.components) {
      if (text::EqualsIgnoreCase(component.progId, progId)) return {&app, &component};
    }
  }
  return {nullptr, nullptr};
}

std::string ComponentCatalog::NewApplicationId() { return FormatGuid(newGuid_()); }

Application& ComponentCatalog::AddApplication(std::string name) {
  Application app;
  app.name = std::move(name);
  app.id = NewApplicationId();
  return applications_.emplace_back(std::move(app));
}

const Service* ComponentCatalog::FindService(std::string_view name) const {
  for (const Service& service : services_) {
    if (text::EqualsIgnoreCase(service.name, name)) return &service;
  }
  return nullptr;
}

std::string ComponentCatalog::Describe() const {
  std::string listing;
  for (const Application& app : applications_) listing += DescribeApplication(app);
  for (const Service& service : services_) {
    listing += "Service " + service.name + " runs application \"" + service.application +
               "\" (start " + service.startType + ", error control " + service.errorControl +
               ", dependencies \"" + service.dependencies + "\", run as " + service.runAs +
               ", desktop " + (service.desktopInteraction ? "allowed" : "not allowed") + ")\n";
  }
  return listing;
}

// --- ComponentCatalog: administration ----------------------------------------------

std::unique_ptr<AdminCatalogCollection> ComponentCatalog::GetCollection(std::string_view name,
                                                                        std::string_view key) {
  if (name == "Applications") {
    return std::make_unique<CatalogCollection>(*this, CatalogCollection::Kind::kApplications,
                                               std::string());
  }
  if (name == "Components") {
    // Copied before Load: the key may point into the model Load replaces.
    std::string applicationId(key);
    Load();
    if (FindApplicationById(applicationId) == nullptr) {
      ThrowNotFound("no application with ID " + applicationId);
    }
    return std::make_unique<CatalogCollection>(*this, CatalogCollection::Kind::kComponents,
                                               std::move(applicationId));
  }
  ThrowNotFound("unknown catalog collection \"" + std::string(name) + "\"");
}

Application& ComponentCatalog::LoadAndFind(std::string_view applicationNameOrId) {
  // Copied before Load: the name may point into the model Load replaces.
  const std::string wanted(applicationNameOrId);
  Load();
  Application* app = FindApplication(wanted);
  if (app == nullptr) app = FindApplicationById(wanted);
  if (app == nullptr) ThrowNotFound("no application named \"" + wanted + "\"");
  return *app;
}

void ComponentCatalog::InstallComponent(std::string_view applicationName,
                                        const std::filesystem::path& moduleFile,
                                        std::string_view /*typeLib*/,
                                        std::string_view /*proxyStub*/) {
  // Before LoadAndFind, which replaces the model the path may point into.
  const std::filesystem::path file = std::filesystem::absolute(moduleFile).lexically_normal();
  Application& target = LoadAndFind(applicationName);
  const std::vector<std::string> progIds = listModule_(file);
  if (progIds.empty()) {
    throw PlatformError(kErrFail, "component module " + file.string() + " lists no classes");
  }
  for (const std::string& progId : progIds) {
    const auto [owner, component] = FindComponent(progId);
    if (owner != nullptr && owner != &target) {
      throw PlatformError(kErrObjectAlreadyInCollection, "component " + progId +
                                                             " is already installed in "
                                                             "application \"" +
                                                             owner->name + "\"");
    }
  }
  for (const std::string& progId : progIds) {
    std::erase_if(target.components, [&](const Component& component) {
      return text::EqualsIgnoreCase(component.progId, progId);
    });
    target.components.push_back(Component{progId, file, false, std::nullopt});
  }
  Save();
}

std::vector<ComponentProblem> ComponentCatalog::RefreshComponents() {
  Load();
  // What each module lists, or why it cannot be used: loaded once per call.
  struct Listing {
    std::vector<std::string> progIds;
    std::optional<PlatformError> error;
  };
  std::map<std::filesystem::path, Listing> listed;
  std::vector<ComponentProblem> problems;
  for (const Application& app : applications_) {
    for (const Component& component : app.components) {
      auto it = listed.find(component.moduleFile);
      if (it == listed.end()) {
        Listing listing;
        try {
          listing.progIds = listModule_(component.moduleFile);
        } catch (const PlatformError& error) {
          listing.error = error;
        }
        it = listed.emplace(component.moduleFile, std::move(listing)).first;
      }
      const Listing& listing = it->second;
      ComponentProblem problem{app.name, component.progId, component.moduleFile, 0, {}};
      if (listing.error) {
        problem.number = listing.error->Number();
        problem.description = listing.error->Description();
      } else if (std::none_of(listing.progIds.begin(), listing.progIds.end(),
                              [&](const std::string& progId) {
                                return text::EqualsIgnoreCase(progId, component.progId);
                              })) {
        problem.number = kErrNotFound;
        problem.description = "component module " + component.moduleFile.string() +
                              " no longer holds " + component.progId;
      } else {
        continue;
      }
      problems.push_back(std::move(problem));
    }
  }
  return problems;
}

void ComponentCatalog::ShutdownApplication(std::string_view applicationName) {
  Application& app = LoadAndFind(applicationName);
  app.running = false;
  ++app.generation;
  Save();
}

void ComponentCatalog::StartApplication(std::string_view applicationName) {
  Application& app = LoadAndFind(applicationName);
  app.running = true;
  Save();
}

void ComponentCatalog::CreateServiceForApplication(
    std::string_view applicationName, std::string_view serviceName, std::string_view startType,
    std::string_view errorControl, std::string_view dependencies, std::string_view runAs,
    std::string_view /*password*/, bool desktopOk) {
  if (serviceName.empty()) ThrowInvalid("a service needs a name");
  // Copied before LoadAndFind, which replaces the model the texts may point into.
  Service service{std::string(serviceName),
                  {},
                  std::string(startType),
                  std::string(errorControl),
                  std::string(dependencies),
                  std::string(runAs),
                  desktopOk};
  service.application = LoadAndFind(applicationName).name;
  if (const Service* existing = FindService(service.name)) {
    throw PlatformError(kErrServiceExists, "the service \"" + existing->name +
                                               "\" already exists; it runs application \"" +
                                               existing->application + "\"");
  }
  services_.push_back(std::move(service));
  Save();
}

void ComponentCatalog::DeleteServiceForApplication(std::string_view applicationName) {
  const std::string wanted(applicationName);
  Load();
  const auto removed = std::erase_if(services_, [&](const Service& service) {
    return text::EqualsIgnoreCase(service.application, wanted);
  });
  if (removed == 0) ThrowNotFound("no service runs application \"" + wanted + "\"");
  Save();
}

}  // namespace quarvel::platform::complus
