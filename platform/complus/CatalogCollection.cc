// The administration catalog's objects and collections: a copy of part of
// the catalog that the caller edits and then saves into it.
#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/complus/ComponentCatalog.h"

namespace quarvel::platform::complus {
namespace {

[[noreturn]] void ThrowNotFound(const std::string& what) {
  throw PlatformError(kErrNotFound, what);
}
[[noreturn]] void ThrowInvalid(const std::string& what) {
  throw PlatformError(kErrInvalidArgument, what);
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

}  // namespace

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
      std::erase_if(apps,
                    [&](const Application& app) { return text::EqualsIgnoreCase(app.id, id); });
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

}  // namespace quarvel::platform::complus
