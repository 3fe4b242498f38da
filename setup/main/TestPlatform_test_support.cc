#include "setup/main/TestPlatform_test_support.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>
#include <system_error>

#include "platform/PlatformError.h"
#include "platform/directory/Directory.h"
#include "platform/directory/DirectoryFile.h"
#include "platform/directory/DirectoryProvider.h"
#include "platform/directory/FailingDirectory.h"
#include "platform/directory/SampleDirectory.h"
#include "platform/host/FailingHost.h"
#include "platform/metabase/FailingMetabaseBinder.h"
#include "platform/server/SampleServer.h"
#include "platform/store/provider/FailingServerDiscovery.h"
#include "platform/store/provider/ServerConfig.h"

namespace quarvel::setup::testing {

namespace fs = std::filesystem;
using namespace platform;

namespace {

fs::path MakeTemporaryDirectory() {
  std::string pattern = (fs::temp_directory_path() / "setup_test.XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

}  // namespace

TestPlatform::TestPlatform(TestPlatformOptions options)
    : root_(MakeTemporaryDirectory()),
      discovery_((platform::server::CreateSampleServer(root_, false),
                  store::ServerConfig::Load(root_ / "server.json"))),
      metabase_(root_ / "metabase.json"),
      catalog_([this](const fs::path& file) -> std::vector<std::string> {
        std::error_code error;
        if (!fs::is_regular_file(file, error)) {
          throw PlatformError(kErrNotFound, "component module " + file.string() + " not found");
        }
        return moduleProgIds_;
      }) {
  const auto facts = host_.Facts();
  if (options.failingHostCall > 0) {
    failingHost_ = std::make_unique<host::FailingHost>(host_, options.failingHostCall);
  }

  std::shared_ptr<const directory::DirectoryService> directory;
  if (options.withoutDirectory) {
    directory = std::make_shared<directory::DirectoryFile>(root_ / "no-directory.ldif");
  } else {
    const std::string ldif = options.ldif.value_or(
        directory::SampleDirectoryLdif(facts.computerName, facts.userName.value_or("")));
    directory = std::make_shared<directory::Directory>(
        directory::Directory::FromLdif(ldif, "test directory"));
  }
  if (options.failingDirectoryCall > 0) {
    directory = std::make_shared<directory::FailingDirectory>(std::move(directory),
                                                              options.failingDirectoryCall);
  }
  directory_ = directory;
  directory::RegisterDirectoryProvider(providers_, directory_);

  if (options.failingDiscoveryCall > 0) {
    failingDiscovery_ =
        std::make_unique<store::FailingServerDiscovery>(discovery_, options.failingDiscoveryCall);
  }

  if (options.failingMetabaseCall > 0) {
    failingMetabase_ =
        std::make_unique<metabase::FailingMetabaseBinder>(metabase_, options.failingMetabaseCall);
  }

  store_ = std::make_unique<store::PublicStore>(root_);
  session_ = std::make_unique<store::StoreSession>(
      *store_,
      store::ServerFacts{discovery_.Config().computerName, discovery_.Config().mailDomain});
  store::RegisterFailingStoreProvider(providers_, *session_, storeFailures_);
}

TestPlatform::~TestPlatform() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

SetupPlatform TestPlatform::Bundle() {
  return SetupPlatform{
      failingHost_ ? *failingHost_ : static_cast<host::HostSystem&>(host_),
      *directory_,
      providers_,
      failingDiscovery_ ? *failingDiscovery_ : static_cast<store::ServerDiscovery&>(discovery_),
      failingCatalog_,
      failingMetabase_ ? *failingMetabase_ : static_cast<metabase::MetabaseBinder&>(metabase_)};
}

void TestPlatform::WriteComponentFile() {
  std::ofstream(root_ / "Quarvel.so") << "a component module\n";
}

void TestPlatform::SetWindows2000(bool windows2000) {
  host_.Facts().osVersion = host::OsVersion{2, 5, windows2000 ? 0u : 2u};
}

std::unique_ptr<SetupProgram> TestPlatform::MakeProgram(const std::string& commandLine) {
  return std::make_unique<SetupProgram>(Bundle(), services_,
                                        ProgramSettings{commandLine, root_, root_});
}

}  // namespace quarvel::setup::testing
