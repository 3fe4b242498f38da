// A platform for the setup program's tests: the sample server (its store and
// server configuration) in a temporary directory of its own, with an
// in-memory host, directory and component catalog holding the sample's
// facts, and scripted window services. The metabase is the sample's, held in
// memory so a test can add, change or remove virtual servers. Options swap in
// a failing wrapper for the host, the directory, the discovery or the
// metabase, or take the directory away, so that every start-up failure can be
// tried; the catalog and the store's provider always sit behind failing
// wrappers that a test arms when it wants a call to fail.
//
// The temporary directory is also the program's directory and working
// directory. The catalog does not load module files: a file that exists
// holds the classes ModuleProgIds names ("Quarvel.QuarvelCls" unless set),
// a missing one is not found.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ado/ProviderRegistry.h"
#include "platform/complus/FailingCatalog.h"
#include "platform/complus/InMemoryCatalog.h"
#include "platform/controls/ScriptedWindowServices_test_support.h"
#include "platform/directory/DirectoryService.h"
#include "platform/host/InMemoryHost.h"
#include "platform/metabase/Metabase.h"
#include "platform/store/PublicStore.h"
#include "platform/store/provider/FailingStoreProviderSession.h"
#include "platform/store/provider/ServerConfigDiscovery.h"
#include "platform/store/provider/StoreSession.h"
#include "setup/main/SetupPlatform.h"
#include "setup/main/SetupProgram.h"

namespace quarvel::setup::testing {

struct TestPlatformOptions {
  // The directory's LDIF text; the sample directory when not given.
  std::optional<std::string> ldif;
  bool withoutDirectory = false;
  // Call numbers (from 1) of the wrapped facility that fail; 0 for none.
  int failingHostCall = 0;
  int failingDirectoryCall = 0;
  int failingDiscoveryCall = 0;
  int failingMetabaseCall = 0;
};

class TestPlatform {
 public:
  explicit TestPlatform(TestPlatformOptions options = {});
  ~TestPlatform();
  TestPlatform(const TestPlatform&) = delete;
  TestPlatform& operator=(const TestPlatform&) = delete;

  [[nodiscard]] const std::filesystem::path& Root() const { return root_; }
  [[nodiscard]] platform::host::InMemoryHost& Host() { return host_; }
  [[nodiscard]] platform::store::ServerConfigDiscovery& Discovery() { return discovery_; }
  [[nodiscard]] platform::metabase::Metabase& Metabase() { return metabase_; }
  [[nodiscard]] platform::store::StoreSession& Session() { return *session_; }
  [[nodiscard]] platform::controls::ScriptedWindowServices& Services() { return services_; }
  [[nodiscard]] platform::complus::InMemoryCatalog& Catalog() { return catalog_; }
  [[nodiscard]] platform::complus::FailingCatalog& CatalogWrapper() { return failingCatalog_; }
  // What the store's provider fails: nothing until a test sets it, for
  // connections already open as well as later ones.
  [[nodiscard]] platform::store::ProviderFailurePlan& StoreFailures() { return storeFailures_; }
  // Arms the store's provider afresh: the `nth` call of `call` (0: every
  // one) on a record whose URL holds `urlContains` fails from now on.
  void FailStoreCall(platform::store::ProviderCall call, int nth, std::string urlContains = "") {
    storeFailures_ = platform::store::ProviderFailurePlan{};
    storeFailures_.call = call;
    storeFailures_.nth = nth;
    storeFailures_.urlContains = std::move(urlContains);
  }
  // The classes a module file holds, for every module file.
  void SetModuleProgIds(std::vector<std::string> progIds) { moduleProgIds_ = std::move(progIds); }
  // Writes the component file Quarvel.so into the working directory.
  void WriteComponentFile();
  // Windows 2000 (5.0) or a later version (5.2), as start-up will find it.
  void SetWindows2000(bool windows2000);

  [[nodiscard]] SetupPlatform Bundle();
  // A program on this platform, started with `commandLine`, its rule file in Root().
  [[nodiscard]] std::unique_ptr<SetupProgram> MakeProgram(const std::string& commandLine = "");

 private:
  std::filesystem::path root_;
  platform::host::InMemoryHost host_;
  std::unique_ptr<platform::host::HostSystem> failingHost_;
  std::shared_ptr<const platform::directory::DirectoryService> directory_;
  platform::store::ServerConfigDiscovery discovery_;
  std::unique_ptr<platform::store::ServerDiscovery> failingDiscovery_;
  platform::metabase::Metabase metabase_;
  std::unique_ptr<platform::metabase::MetabaseBinder> failingMetabase_;
  std::unique_ptr<platform::store::PublicStore> store_;
  std::unique_ptr<platform::store::StoreSession> session_;
  platform::store::ProviderFailurePlan storeFailures_;
  platform::ado::ProviderRegistry providers_;
  platform::controls::ScriptedWindowServices services_;
  std::vector<std::string> moduleProgIds_{"Quarvel.QuarvelCls"};
  platform::complus::InMemoryCatalog catalog_;
  platform::complus::FailingCatalog failingCatalog_{catalog_};
};

}  // namespace quarvel::setup::testing
