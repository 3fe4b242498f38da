#include "platform/complus/CatalogFile.h"

#include <sys/stat.h>

#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/PlatformError.h"

namespace quarvel::platform::complus {
namespace {

using nlohmann::json;

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

}  // namespace

CatalogContent ParseCatalog(std::istream& in, const std::string& where) {
  const Reader reader(where);
  json document;
  try {
    document = json::parse(in);
  } catch (const json::parse_error& e) {
    // e.what() quotes the text it read, which may be a password.
    reader.Fail("", "not valid JSON near byte " + std::to_string(e.byte));
  }
  CatalogContent content;
  const json& list = reader.List(document, "Applications", "");
  for (std::size_t i = 0; i < list.size(); ++i) {
    content.applications.push_back(ReadApplication(reader, list[i], i));
  }
  const json& serviceList = reader.List(document, "Services", "");
  for (std::size_t i = 0; i < serviceList.size(); ++i) {
    content.services.push_back(ReadService(reader, serviceList[i], i));
  }
  return content;
}

std::string SerialiseCatalog(const std::vector<Application>& applications,
                             const std::vector<Service>& services, const std::string& where) {
  json applicationList = json::array();
  for (const Application& app : applications) applicationList.push_back(WriteApplication(app));
  json serviceList = json::array();
  for (const Service& service : services) serviceList.push_back(WriteService(service));
  try {
    return json{{"Applications", std::move(applicationList)}, {"Services", std::move(serviceList)}}
               .dump(2) +
           "\n";
  } catch (const json::type_error&) {
    throw PlatformError(kErrInvalidArgument,
                        "cannot save " + where + ": it holds text that is not valid UTF-8");
  }
}

void WriteCatalogFile(FileWriter& files, const std::filesystem::path& file,
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

}  // namespace quarvel::platform::complus
