#include "platform/complus/ComponentCatalog.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <ostream>
#include <random>
#include <sstream>
#include <system_error>

#include "common/FileWriter.h"
#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/complus/CatalogFile.h"
#include "platform/complus/ComponentModuleFile.h"

namespace quarvel::platform::complus {
namespace {

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
  CatalogContent content = ParseCatalog(in, Where());
  applications_ = std::move(content.applications);
  services_ = std::move(content.services);
}

std::string ComponentCatalog::Serialise() const {
  return SerialiseCatalog(applications_, services_, Where());
}

void ComponentCatalog::Save() const {
  std::string content = Serialise();
  if (inMemory_) {
    savedText_ = std::move(content);
    return;
  }
  WriteCatalogFile(*files_, file_, content);
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
    if (text::EqualsIgnoreCase(app.id, id)) return &app;
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
