#include "platform/server/SimulatedServer.h"

#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::server {

namespace store = platform::store;
namespace fs = std::filesystem;

// Sinks come from the component host, which reads the catalog.
class SimulatedServer::HostSinks : public store::SinkFactory {
 public:
  explicit HostSinks(platform::complus::ComponentHost& host) : host_(host) {}

  Created CreateSink(const std::string& progId) override {
    auto result = host_.CreateObject(progId);
    return {std::move(result.object), std::move(result.whyNot)};
  }

 private:
  platform::complus::ComponentHost& host_;
};

fs::path SimulatedServer::DefaultRoot() { return DefaultServerRoot(); }

SimulatedServer::SimulatedServer(fs::path root) : root_(std::move(root)) {
  const ServerFiles files{root_};
  const auto configFile = files.ConfigFile();
  if (!fs::exists(configFile)) {
    throw platform::PlatformError(
        platform::kErrNotFound,
        "no simulated server at " + root_.string() + " (create one with: exsim init)");
  }
  if (fs::is_directory(root_ / "store") && !fs::exists(files.DatabaseFile())) {
    throw platform::PlatformError(
        platform::kErrFail, "the server at " + root_.string() +
                                " keeps its store as plain files, which this version no longer "
                                "reads; create it anew with: exsim init --force");
  }
  config_ = store::ServerConfig::Load(configFile);
  store_ = std::make_unique<store::PublicStore>(root_);
  session_ = std::make_unique<store::StoreSession>(
      *store_, store::ServerFacts{config_.computerName, config_.mailDomain});
  catalog_ = std::make_unique<platform::complus::ComponentCatalog>(files.CatalogFile());
  catalog_->Load();
  host_ = std::make_unique<platform::complus::ComponentHost>(catalog_->File());
  sinks_ = std::make_unique<HostSinks>(*host_);
  journal_ = std::make_unique<store::EventJournal>(*store_);
  events_ = std::make_unique<store::StoreEvents>(*store_, *session_, *sinks_);
}

SimulatedServer::~SimulatedServer() = default;

namespace {

store::StorePath SplitPath(const std::string& name) {
  store::StorePath path;
  std::string_view rest = name;
  while (!rest.empty()) {
    const auto slash = std::min(rest.find('/'), rest.size());
    const auto segment = rest.substr(0, slash);
    if (!segment.empty()) path = path.Child(std::string(segment));
    rest.remove_prefix(std::min(slash + 1, rest.size()));
  }
  return path;
}

}  // namespace

store::StorePath SimulatedServer::ResolveFolder(const std::string& name) const {
  store::StorePath path;
  if (name.find("://") != std::string::npos) {
    path = store::ParseStoreUrl(name);
  } else if (name.find('@') != std::string::npos) {
    const auto found = store_->FindFolderByAddress(text::Trim(name));
    if (!found) {
      throw platform::PlatformError(platform::kErrNotFound, "no folder has the address " + name);
    }
    path = *found;
  } else {
    path = SplitPath(name);
  }
  if (!store_->FolderExists(path)) {
    throw platform::PlatformError(platform::kErrNotFound, "no such folder: " + name);
  }
  return path;
}

store::StorePath SimulatedServer::ResolveDeliveryFolder(const std::string& name) const {
  auto path = ResolveFolder(name);
  if (path.IsRoot() || text::EqualsIgnoreCase(path.segments.front(), "non_ipm_subtree")) {
    throw platform::PlatformError(platform::kErrAccessDenied,
                                  name +
                                      " is no public folder that takes mail (the root and "
                                      "the store's own folders take none)");
  }
  return path;
}

store::StorePath SimulatedServer::ResolveItem(const std::string& name) const {
  const auto path =
      name.find("://") != std::string::npos ? store::ParseStoreUrl(name) : SplitPath(name);
  if (!store_->ItemExists(path)) {
    throw platform::PlatformError(platform::kErrNotFound, "no such item: " + name);
  }
  return path;
}

std::string SimulatedServer::HttpUrl(const store::StorePath& path) const {
  return session_->HttpUrl(path);
}

std::string SimulatedServer::FileUrl(const store::StorePath& path) const {
  return session_->FileUrl(path);
}

}  // namespace quarvel::platform::server
