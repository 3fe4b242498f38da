// Server discovery as start-up runs it: the cluster server name from the
// directory, the walk through storage groups and stores, the root URL taken
// from the tree's root folder URL, the version name, and what each failure
// leaves behind and writes to the log.
#include "setup/discovery/ServerPaths.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/host/HostSystem.h"
#include "platform/server/SampleServer.h"
#include "platform/store/provider/ServerConfig.h"
#include "setup/main/TestPlatform_test_support.h"

namespace quarvel::setup {
namespace {

using testing::TestPlatform;
using testing::TestPlatformOptions;
namespace store = platform::store;

constexpr const char* kRoot = "http://MAIL01/Public/";

// A directory with its root entry and one person, the administrator.
std::string AdminLdif(const std::optional<std::string>& homeServer,
                      const std::string& accountName = "Administrator") {
  std::string ldif =
      "version: 1\n\ndn:\ndnsHostName: dc01.example.com\n\n"
      "dn: CN=Admin,CN=Users,DC=example,DC=com\n"
      "objectClass: user\n"
      "objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com\n"
      "sAMAccountName: " +
      accountName + "\n";
  if (homeServer) ldif += "msExchHomeServerName: " + *homeServer + "\n";
  return ldif;
}

TEST(PublicFolderRootUrlTest, KeepsSchemeAndHostWhateverThePath) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"http://MAIL01/Public/", "http://MAIL01/Public/"},
      {"http://MAIL01/public/", "http://MAIL01/Public/"},
      {"HTTPS://mail01/Anything/deeper/", "HTTPS://mail01/Public/"},
      {"http://MAIL01/Public Folders", "http://MAIL01/Public/"},
      {"http://MAIL01", "http://MAIL01/Public/"},
      {"file://./backofficestorage/example.com/Public Folders/", "file://./Public/"},
      {"MAIL01/Public/", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [url, root] : cases) EXPECT_EQ(PublicFolderRootUrl(url), root) << url;
}

struct ClusterCase {
  const char* name;
  friend void PrintTo(const ClusterCase& c, std::ostream* os) { *os << c.name; }
  std::optional<std::string> homeServer;
  std::string accountName;
  std::string clusterName;
};

class ClusterNameTest : public ::testing::TestWithParam<ClusterCase> {};

TEST_P(ClusterNameTest, TheServerIsTheLastCnOfTheUsersHomeServer) {
  const auto& c = GetParam();
  TestPlatform platform(TestPlatformOptions{.ldif = AdminLdif(c.homeServer, c.accountName)});
  platform.Host().Facts().cluster = true;
  auto program = platform.MakeProgram();
  program->Load();
  EXPECT_TRUE(program->Window().clusterServer);
  EXPECT_EQ(program->Window().clusterServerName, c.clusterName);
  EXPECT_EQ(program->Window().exchangeServerName, c.clusterName);
  // Only the sample server's own name leads to its store.
  if (c.clusterName == platform::server::kSampleComputerName) {
    EXPECT_EQ(program->State().publicFolderRootUrl, kRoot);
    EXPECT_TRUE(program->Log().IsEmpty()) << program->Form().txtErr.Text();
  } else {
    EXPECT_EQ(program->State().publicFolderRootUrl, "");
    EXPECT_NE(program->Form().txtErr.Text().find("] GetCommonPath - ERROR: -2147217895 "),
              std::string::npos)
        << program->Form().txtErr.Text();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClusterNameTest,
    ::testing::Values(
        ClusterCase{"LowerCaseCn",
                    "/o=Example/ou=First Administrative Group/cn=Configuration/"
                    "cn=Servers/cn=mail01",
                    "Administrator", "MAIL01"},
        ClusterCase{"UpperCaseCn", "/O=EXAMPLE/CN=SERVERS/CN=Mail01", "Administrator", "MAIL01"},
        ClusterCase{"WithoutCn", "mail01", "Administrator", "MAIL01"},
        ClusterCase{"NothingAfterTheLastCn", "/o=Example/cn=", "Administrator", "/O=EXAMPLE/CN="},
        ClusterCase{"NoHomeServer", std::nullopt, "Administrator", ""},
        ClusterCase{"UserWithoutEntry", "cn=MAIL01", "someone.else", ""}),
    [](const auto& info) { return info.param.name; });

TEST(ClusterNameQuotingTest, AQuoteInTheUserNameStaysInsideTheQueryLiteral) {
  TestPlatform platform(TestPlatformOptions{.ldif = AdminLdif("cn=mail01", "O'Brien")});
  platform.Host().Facts().cluster = true;
  platform.Host().Facts().userName = "O'Brien";
  auto program = platform.MakeProgram();
  program->Load();
  EXPECT_EQ(program->Window().clusterServerName, "MAIL01");
  EXPECT_TRUE(program->Log().IsEmpty()) << program->Form().txtErr.Text();
}

TEST(ClusterNameFailureTest, AFailingLookupIsLoggedAndDiscoveryTriesAnEmptyName) {
  TestPlatform platform(
      TestPlatformOptions{.ldif = {}, .failingDirectoryCall = 2});  // 1 is RootDSE
  platform.Host().Facts().cluster = true;
  auto program = platform.MakeProgram();
  program->Load();
  const std::string& log = program->Form().txtErr.Text();
  EXPECT_NE(log.find("] GetClusterName - ERROR: -2147467259 simulated failure"), std::string::npos)
      << log;
  EXPECT_NE(log.find("] GetCommonPath - ERROR: "), std::string::npos) << log;
  EXPECT_EQ(program->Window().exchangeServerName, "");
}

class StoreWalkTest : public ::testing::Test {
 protected:
  store::ServerConfig& Config() { return platform_.Discovery().Config(); }
  store::PublicStoreConfig& Store(std::size_t i) { return Config().publicStores.at(i); }
  std::unique_ptr<SetupProgram> Start() {
    auto program = platform_.MakeProgram();
    program->Load();
    return program;
  }

  TestPlatform platform_;
};

TEST_F(StoreWalkTest, TheSampleTreeIsInTheSecondGroupBehindADismountedStore) {
  ASSERT_EQ(Config().storageGroups.size(), 2u);
  EXPECT_EQ(Store(0).status, store::kStoreDismounted);
  auto program = Start();
  EXPECT_EQ(program->State().publicFolderRootUrl, kRoot);
  EXPECT_EQ(program->State().rootUrlLength, 21);
  EXPECT_EQ(program->State().publicStoreId, platform::server::kSampleStoreGuid);
  EXPECT_TRUE(program->Log().IsEmpty()) << program->Form().txtErr.Text();
}

TEST_F(StoreWalkTest, InAGroupADismountedFirstStoreLeavesItToTheSecond) {
  // Both stores in the second group: the dismounted one first.
  Config().storageGroups[0].publicStores.clear();
  auto& second = Config().storageGroups[1].publicStores;
  second.insert(second.begin(), Store(0).url);
  EXPECT_EQ(Start()->State().publicFolderRootUrl, kRoot);
}

TEST_F(StoreWalkTest, TheFirstGroupWithAMountedMapiTreeDecidesAndLaterOnesAreNotExamined) {
  // The first group's store is mounted now, on a MAPI tree of another host.
  Store(0).status = store::kStoreMounted;
  for (auto& tree : Config().folderTrees) {
    if (tree.url == Store(0).folderTree) {
      tree.treeType = store::kTreeMapi;
      tree.rootFolderUrl = "https://Other%20Host/public/";
    }
  }
  auto program = Start();
  EXPECT_EQ(program->State().publicFolderRootUrl, "https://Other Host/Public/");
  EXPECT_EQ(program->State().publicStoreId, Store(0).guid);
  EXPECT_TRUE(program->Log().IsEmpty()) << program->Form().txtErr.Text();
}

TEST_F(StoreWalkTest, AStoreConnectionThatCannotOpenIsLoggedUnderItsUrl) {
  for (auto& tree : Config().folderTrees) {
    if (tree.treeType == store::kTreeMapi) {
      tree.rootFolderUrl = "file://./backofficestorage/example.com/Public Folders/";
    }
  }
  auto program = Start();
  EXPECT_EQ(program->State().publicFolderRootUrl, "file://./Public/");
  EXPECT_EQ(program->State().publicStoreId, platform::server::kSampleStoreGuid);
  EXPECT_EQ(program->Window().storeConnection.State(), platform::ado::adStateClosed);
  EXPECT_EQ(program->Log().EntriesWritten(), 1);
  EXPECT_NE(program->Form().txtErr.Text().find("] file://./Public/ - ERROR: "), std::string::npos)
      << program->Form().txtErr.Text();
}

TEST_F(StoreWalkTest, WithoutAMountedMapiTreeTheRootStaysEmptyAndTheLogSaysWhy) {
  Store(1).status = store::kStoreDismounted;
  auto program = Start();
  EXPECT_EQ(program->State().publicFolderRootUrl, "");
  EXPECT_EQ(program->State().rootUrlLength, 0);
  EXPECT_EQ(program->Form().txtErr.Text(),
            "[2024-03-09 14:05:06] GetCommonPath - ERROR: -2147217895 no mounted public store of "
            "server 'MAIL01' holds the public folder tree\r\n\r\n");
  EXPECT_EQ(program->Window().storeConnection.State(), platform::ado::adStateClosed);
}

TEST_F(StoreWalkTest, ARootFolderUrlThatIsNoUrlIsAFailureOfItsGroup) {
  for (auto& tree : Config().folderTrees) {
    if (tree.treeType == store::kTreeMapi) tree.rootFolderUrl = "MAIL01/Public/";
  }
  auto program = Start();
  EXPECT_EQ(program->State().publicFolderRootUrl, "");
  EXPECT_NE(program->Form().txtErr.Text().find("'MAIL01/Public/' of the public folder tree is no "
                                               "URL"),
            std::string::npos)
      << program->Form().txtErr.Text();
}

TEST(StoreWalkFailureTest, EachFailingCallOfTheWalkEndsAsItsGroupAllows) {
  // The walk of the sample server makes 21 calls: 1-3 the server, 4-9 the
  // first group (its store dismounted), 10-20 the second group and its tree,
  // 21 the store's identifier.
  for (int call = 1; call <= 22; ++call) {
    SCOPED_TRACE("failing call " + std::to_string(call));
    TestPlatform platform(TestPlatformOptions{.ldif = {}, .failingDiscoveryCall = call});
    auto program = platform.MakeProgram();
    program->Load();
    const std::string& log = program->Form().txtErr.Text();
    const bool rootLost = call <= 3 || (call >= 10 && call <= 20);
    EXPECT_EQ(program->State().publicFolderRootUrl, rootLost ? "" : kRoot);
    EXPECT_EQ(program->State().publicStoreId,
              rootLost || call == 21 ? "" : platform::server::kSampleStoreGuid);
    const bool logged = rootLost || call == 21;
    EXPECT_EQ(log.find("(call " + std::to_string(call) + ")") != std::string::npos, logged) << log;
    EXPECT_EQ(program->Log().EntriesWritten(), logged ? 1 : 0) << log;
    EXPECT_EQ(program->Window().storeConnection.State(),
              rootLost ? platform::ado::adStateClosed : platform::ado::adStateOpen);
  }
}

TEST(WindowsVersionNameTest, TheHostsVersionIsNamedAndAFailingCallIsLogged) {
  struct Case {
    std::optional<platform::host::OsVersion> version;
    const char* name;
  };
  const Case cases[] = {
      {platform::host::OsVersion{2, 5, 0}, "Windows 2000"},
      {platform::host::OsVersion{2, 5, 1}, "Windows XP"},
      {platform::host::OsVersion{2, 5, 2}, "Windows XP"},
      {platform::host::OsVersion{2, 6, 0}, ""},
      {platform::host::OsVersion{2, 10, 0}, ""},
      {platform::host::OsVersion{1, 4, 90}, "Windows Millennium"},
      {std::nullopt, "Failed"},
  };
  for (const auto& c : cases) {
    TestPlatform platform;
    platform.Host().Facts().osVersion = c.version;
    auto program = platform.MakeProgram();
    program->Load();
    EXPECT_EQ(program->State().windowsVersionName, c.name);
    const bool logged = program->Form().txtErr.Text().find(
                            "] GetWindowsVersionName - ERROR: -2147467259 ") != std::string::npos;
    EXPECT_EQ(logged, !c.version) << program->Form().txtErr.Text();
    // Discovery goes on: the root does not depend on the version.
    EXPECT_EQ(program->State().publicFolderRootUrl, kRoot);
  }
}

TEST(DirectoryQueryTest, RunsOnTheDirectoryConnectionWithTheCallersProperties) {
  TestPlatform platform;
  auto program = platform.MakeProgram();
  program->Load();
  const std::string query =
      "SELECT mail FROM '" + program->Window().globalCatalogPath + "' WHERE mail='*' ORDER BY mail";
  auto all = program->Paths().DirectoryQuery(query);
  EXPECT_GT(all->RecordCount(), 2);
  all->Close();
  auto limited = program->Paths().DirectoryQuery(query, {{"Size Limit", 2}});
  EXPECT_EQ(limited->RecordCount(), 2);
  limited->Close();
}

}  // namespace
}  // namespace quarvel::setup
