// A platform for the setup program's tests: the sample server (its store and
// server configuration) in a temporary directory of its own, with an
// in-memory host and directory holding the sample's facts, and scripted
// window services. The metabase is the sample's, held in memory so a test
// can add, change or remove virtual servers. Options swap in a failing
// wrapper for the host, the directory, the discovery or the metabase, or
// take the directory away, so that every start-up failure can be tried.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/ado/ProviderRegistry.h"
#include "platform/controls/ScriptedWindowServices_test_support.h"
#include "platform/directory/DirectoryService.h"
#include "platform/host/InMemoryHost.h"
#include "platform/metabase/Metabase.h"
#include "platform/store/PublicStore.h"
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
  platform::ado::ProviderRegistry providers_;
  platform::controls::ScriptedWindowServices services_;
};

}  // namespace quarvel::setup::testing
