#include "setup/app/ServerPlatform.h"

#include <exception>
#include <string>

#include "platform/PlatformError.h"
#include "platform/complus/ComponentCatalog.h"
#include "platform/directory/DirectoryProvider.h"
#include "platform/host/HostFacts.h"
#include "platform/server/ServerFiles.h"
#include "platform/store/provider/ServerConfig.h"

namespace quarvel::setup {

namespace fs = std::filesystem;
namespace store = platform::store;
using platform::PlatformError;

namespace {

// A catalog whose file cannot be read: every call fails with the reason.
class UnusableCatalog : public platform::complus::AdminCatalog {
 public:
  explicit UnusableCatalog(PlatformError reason) : reason_(std::move(reason)) {}

  std::unique_ptr<platform::complus::AdminCatalogCollection> GetCollection(
      std::string_view, std::string_view) override {
    throw reason_;
  }
  void InstallComponent(std::string_view, const fs::path&, std::string_view,
                        std::string_view) override {
    throw reason_;
  }
  std::vector<platform::complus::ComponentProblem> RefreshComponents() override { throw reason_; }
  void ShutdownApplication(std::string_view) override { throw reason_; }
  void StartApplication(std::string_view) override { throw reason_; }
  void CreateServiceForApplication(std::string_view, std::string_view, std::string_view,
                                   std::string_view, std::string_view, std::string_view,
                                   std::string_view, bool) override {
    throw reason_;
  }

 private:
  PlatformError reason_;
};

}  // namespace

fs::path ServerPlatform::DefaultRoot() { return platform::server::DefaultServerRoot(); }

ServerPlatform::ServerPlatform(fs::path root)
    : root_(std::move(root)),
      host_(platform::server::ServerFiles{root_}.HostFile()),
      directory_(std::make_shared<platform::directory::DirectoryFile>(
          platform::server::ServerFiles{root_}.DirectoryFile())),
      discovery_(platform::server::ServerFiles{root_}.ConfigFile()),
      metabase_(platform::server::ServerFiles{root_}.MetabaseFile()) {
  platform::directory::RegisterDirectoryProvider(providers_, directory_);
  RegisterStoreProvider();
  try {
    catalog_ = std::make_unique<platform::complus::ComponentCatalog>(CatalogFile());
  } catch (const PlatformError& error) {
    catalog_ = std::make_unique<UnusableCatalog>(error);
  }
}

fs::path ServerPlatform::CatalogFile() const {
  return platform::server::ServerFiles{root_}.CatalogFile();
}

ServerPlatform::~ServerPlatform() = default;

void ServerPlatform::RegisterStoreProvider() {
  // The store answers with the server's names, so it opens only on a server
  // that has its configuration; otherwise every connection is refused with
  // the reason.
  PlatformError unusable(platform::kErrFail, "");
  try {
    const auto config =
        store::ServerConfig::Load(platform::server::ServerFiles{root_}.ConfigFile());
    const fs::path database = platform::server::ServerFiles{root_}.DatabaseFile();
    if (!fs::is_regular_file(database)) {
      throw PlatformError(platform::kErrNotFound, "no public store at " + database.string());
    }
    store_ = std::make_unique<store::PublicStore>(root_);
    session_ = std::make_unique<store::StoreSession>(
        *store_, store::ServerFacts{config.computerName, config.mailDomain});
    session_->RegisterProvider(providers_);
    return;
  } catch (const PlatformError& error) {
    unusable = error;
  } catch (const std::exception& error) {
    unusable = PlatformError(platform::kErrFail, error.what());
  }
  providers_.Register(std::string(store::kStoreProviderName),
                      [unusable](const platform::ado::ConnectionInfo&)
                          -> std::unique_ptr<platform::ado::ProviderSession> { throw unusable; });
}

SetupPlatform ServerPlatform::Bundle() {
  return SetupPlatform{host_, *directory_, providers_, discovery_, *catalog_, metabase_};
}

}  // namespace quarvel::setup
