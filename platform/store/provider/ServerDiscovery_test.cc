// The discovery seam: the file-backed discovery reads server.json when first
// needed and tries again while it is missing; the failing wrapper counts
// every call, objects' calls included, and fails exactly the chosen one.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/store/provider/FailingServerDiscovery.h"
#include "platform/store/provider/ServerConfigDiscovery.h"
#include "platform/store/provider/ServerFileDiscovery.h"

namespace quarvel::platform::store {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGuid = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";

// Walks the server as the setup program does and returns the MAPI tree's root URL.
std::string FindMapiRoot(ServerDiscovery& discovery, const std::string& serverName) {
  auto server = discovery.CreateExchangeServer();
  server->Open(serverName);
  for (const auto& groupUrl : server->StorageGroups()) {
    auto group = discovery.CreateStorageGroup();
    group->Open(groupUrl);
    for (const auto& storeUrl : group->PublicStoreDBs()) {
      auto store = discovery.CreatePublicStoreDB();
      store->Open(storeUrl);
      if (store->Status() != kStoreMounted) continue;
      auto tree = discovery.CreateFolderTree();
      tree->Open(store->FolderTree());
      if (tree->TreeType() != kTreeMapi) continue;
      const std::string root = tree->RootFolderURL();
      (void)discovery.StoreGuidFromUrl(root);
      return root;
    }
  }
  return "";
}

TEST(ServerDiscoveryTest, TheFileIsReadWhenFirstNeededAndRetriedWhileMissing) {
  char pattern[] = "/tmp/server_discovery.XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const fs::path directory = pattern;
  ServerFileDiscovery discovery(directory / kServerConfigFileName);
  try {
    (void)discovery.CreateExchangeServer();
    ADD_FAILURE() << "made an object without a server";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrNotFound);
  }
  SampleServerConfig("EXSRV01", "example.com", kGuid).Save(discovery.File());
  EXPECT_EQ(FindMapiRoot(discovery, "exsrv01"), "http://EXSRV01/Public/");
  EXPECT_EQ(discovery.StoreGuidFromUrl("http://EXSRV01/Public/Sales"), kGuid);
  // Kept once read: objects already made go on reading the same configuration.
  fs::remove_all(directory);
  EXPECT_EQ(FindMapiRoot(discovery, "EXSRV01"), "http://EXSRV01/Public/");
}

TEST(ServerDiscoveryTest, TheFailingWrapperFailsEachCallOfTheWalkInTurn) {
  ServerConfigDiscovery inner(SampleServerConfig("EXSRV01", "example.com", kGuid));
  FailingServerDiscovery counting(inner, /*failingCall=*/0);
  ASSERT_EQ(FindMapiRoot(counting, "EXSRV01"), "http://EXSRV01/Public/");
  const int calls = counting.Calls();
  // Two groups: the first with a dismounted store, the second with the tree.
  EXPECT_EQ(calls, 21);
  for (int n = 1; n <= calls; ++n) {
    FailingServerDiscovery failing(inner, n, kErrAccessDenied);
    try {
      (void)FindMapiRoot(failing, "EXSRV01");
      ADD_FAILURE() << "call " << n << " did not fail";
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.Number(), kErrAccessDenied);
      EXPECT_NE(error.Description().find("(call " + std::to_string(n) + ")"), std::string::npos)
          << error.Description();
      EXPECT_EQ(failing.Calls(), n);
    }
  }
}

}  // namespace
}  // namespace quarvel::platform::store
