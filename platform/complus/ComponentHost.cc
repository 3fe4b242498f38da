#include "platform/complus/ComponentHost.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/PlatformError.h"
#include "platform/events/IObjectConstruct.h"

namespace quarvel::platform::complus {
namespace {

// What Construct receives: the component's constructor string.
class ConstructionContext final : public IUnknown, public IObjectConstructString {
 public:
  explicit ConstructionContext(std::string text) : text_(std::move(text)) {}
  void* QueryInterface(std::string_view interfaceName) override {
    if (interfaceName == IObjectConstructString::kInterfaceName) {
      return static_cast<IObjectConstructString*>(this);
    }
    return nullptr;
  }
  std::string ConstructString() override { return text_; }

 private:
  std::string text_;
};

std::string Hex(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
  return text;
}

}  // namespace

bool ComponentHost::FileStamp::operator==(const FileStamp& other) const {
  return exists == other.exists && device == other.device && inode == other.inode &&
         size == other.size && modified.tv_sec == other.modified.tv_sec &&
         modified.tv_nsec == other.modified.tv_nsec;
}

ComponentHost::ComponentHost(std::filesystem::path catalogFile)
    : catalogFile_(std::move(catalogFile)) {}

std::string ComponentHost::RefreshCatalog() {
  FileStamp now;
  struct stat info {};
  if (stat(catalogFile_.c_str(), &info) == 0) {
    now = {true, info.st_dev, info.st_ino, info.st_size, info.st_mtim};
  } else if (errno != ENOENT) {
    return "cannot read component catalog " + catalogFile_.string() + ": " + std::strerror(errno);
  }
  if (stamp_ && *stamp_ == now) return catalogError_;
  // Stamp taken before reading: a change during the read shows next time.
  stamp_ = now;
  try {
    // The catalog's constructor reads the file, so a bad file fails here, not
    // in the host's constructor.
    if (catalog_) {
      catalog_->Load();
    } else {
      catalog_.emplace(catalogFile_);
    }
    catalogError_.clear();
  } catch (const PlatformError& e) {
    catalogError_ = e.Description();
  }
  return catalogError_;
}

const OpenModule& ComponentHost::LoadModule(const std::filesystem::path& file) {
  auto it = modules_.find(file);
  if (it == modules_.end()) it = modules_.emplace(file, OpenComponentModule(file)).first;
  return it->second;
}

CreateResult ComponentHost::CreateObject(std::string_view progId) {
  CreateResult result;
  std::string canonicalProgId;
  const ComponentModuleTable* table = nullptr;
  bool constructionEnabled = false;
  std::string constructorString;
  {
    std::lock_guard lock(mutex_);
    result.whyNot = RefreshCatalog();
    if (!result.whyNot.empty()) return result;
    const auto [app, component] = catalog_->FindComponent(progId);
    if (component == nullptr) {
      result.whyNot = "component " + std::string(progId) + " is not installed";
      return result;
    }
    result.generation = app->generation;
    canonicalProgId = component->progId;
    constructionEnabled = component->constructionEnabled;
    constructorString = component->constructorString.value_or("");
    try {
      const OpenModule& module = LoadModule(component->moduleFile);
      table = module.table;
      result.module = module.handle;
    } catch (const PlatformError& e) {
      result.whyNot = e.Description();
      return result;
    }
  }

  result.object.reset(table->createObject(canonicalProgId.c_str()));
  if (result.object == nullptr) {
    result.whyNot = "component module did not create " + canonicalProgId;
    return result;
  }
  if (!constructionEnabled) return result;
  auto* construct = QueryInterface<IObjectConstruct>(*result.object);
  if (construct == nullptr) return result;
  ConstructionContext context(std::move(constructorString));
  HRESULT hr = S_OK;
  try {
    hr = construct->Construct(&context);
  } catch (const std::exception& e) {
    result.object.reset();
    result.whyNot = canonicalProgId + " failed to construct: " + e.what();
    return result;
  }
  if (hr < 0) {
    result.object.reset();
    result.whyNot = canonicalProgId + " failed to construct: " + Hex(hr);
  }
  return result;
}

std::size_t ComponentHost::LoadedModuleCount() const {
  std::lock_guard lock(mutex_);
  return modules_.size();
}

}  // namespace quarvel::platform::complus
