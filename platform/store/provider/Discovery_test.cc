#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/ado/Connection.h"
#include "platform/store/provider/ExchangeServer.h"
#include "platform/store/provider/FolderTree.h"
#include "platform/store/provider/PublicStoreDB.h"
#include "platform/store/provider/ServerConfig.h"
#include "platform/store/provider/StorageGroup.h"
#include "platform/store/provider/StoreFixture_test_support.h"
#include "platform/store/provider/StoreGuidFromUrl.h"

namespace quarvel::platform::store {
namespace {

using testing::ErrorOf;
using testing::UrlDecode;
namespace fs = std::filesystem;

constexpr const char* kGuid = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";

class DiscoveryTest : public testing::StoreFixture {
 protected:
  ServerConfig config_ = SampleServerConfig("EXSRV01", "example.com", kGuid);
  fs::path File() const { return Directory() / "server.json"; }
};

// What the setup program finds, walking the server the way it does.
struct WalkResult {
  std::string rootUrl;
  std::string storeGuid;
  int groupsLookedAt = 0;
};

WalkResult Walk(const ServerConfig& config, const std::string& computerName) {
  WalkResult result;
  ExchangeServer server(config);
  server.Open(computerName);
  for (const auto& groupUrl : server.StorageGroups()) {
    ++result.groupsLookedAt;
    StorageGroup group(config);
    group.Open(groupUrl);
    std::string rootFolderUrl;
    for (const auto& storeUrl : group.PublicStoreDBs()) {
      PublicStoreDB store(config);
      store.Open(storeUrl);
      if (store.Status() != kStoreMounted) continue;
      FolderTree tree(config);
      tree.Open(store.FolderTree());
      if (tree.TreeType() == kTreeMapi) {
        rootFolderUrl = tree.RootFolderURL();
        break;
      }
    }
    if (rootFolderUrl.empty()) continue;
    const std::string decoded = UrlDecode(rootFolderUrl);
    result.storeGuid = StoreGuidFromUrl(config, decoded);
    const auto slash = decoded.find('/', decoded.find("//") + 2);
    result.rootUrl = decoded.substr(0, slash + 1) + "Public/";
    break;
  }
  return result;
}

TEST_F(DiscoveryTest, TheSampleServerLeadsTheWalkToTheMountedMapiStore) {
  const auto result = Walk(config_, "exsrv01");
  EXPECT_EQ(result.groupsLookedAt, 2);
  EXPECT_EQ(result.rootUrl, "http://EXSRV01/Public/");
  EXPECT_EQ(result.storeGuid, kGuid);

  // The first group's store is there, dismounted, on another tree.
  StorageGroup first(config_);
  first.Open(config_.storageGroups.at(0).url);
  ASSERT_EQ(first.PublicStoreDBs().size(), 1u);
  PublicStoreDB archive(config_);
  archive.Open(first.PublicStoreDBs()[0]);
  EXPECT_EQ(archive.Status(), kStoreDismounted);
  EXPECT_NE(archive.Guid(), kGuid);
  EXPECT_TRUE(IsGuidText(archive.Guid()));
  FolderTree archiveTree(config_);
  archiveTree.Open(archive.FolderTree());
  EXPECT_EQ(archiveTree.TreeType(), kTreeGeneralPurpose);
}

TEST_F(DiscoveryTest, TheRootUrlTheWalkFindsOpensTheStoreConnection) {
  const auto result = Walk(config_, "EXSRV01");
  ado::Connection connection(registry_);
  connection.Open("ExOLEDB.DataSource", result.rootUrl, "", "");
  EXPECT_EQ(connection.State(), ado::adStateOpen);
}

TEST_F(DiscoveryTest, SaveAndLoadGiveTheSameConfiguration) {
  config_.Save(File());
  EXPECT_EQ(ServerConfig::Load(File()), config_);
  std::ifstream in(File());
  std::string first;
  std::getline(in, first);
  std::string second;
  std::getline(in, second);
  EXPECT_EQ(first, "{");
  EXPECT_EQ(second, "  \"computerName\": \"EXSRV01\",");  // readable, in a reader's order
  config_.computerName = "OTHER";
  config_.Save(File());  // replaces
  EXPECT_EQ(ServerConfig::Load(File()).computerName, "OTHER");
  EXPECT_EQ(std::distance(fs::directory_iterator(Directory()), fs::directory_iterator()),
            2);  // the store and server.json, no temporary file
}

struct BadFileCase {
  const char* name;
  friend void PrintTo(const BadFileCase& c, std::ostream* os) { *os << c.name; }
  std::string text;
  std::string mentions;
};

class ServerConfigBadFileTest : public DiscoveryTest,
                                public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(ServerConfigBadFileTest, RefusesWithTheFileAndTheEntry) {
  std::ofstream(File()) << GetParam().text;
  try {
    (void)ServerConfig::Load(File());
    ADD_FAILURE() << "loaded";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrFail);
    EXPECT_NE(error.Description().find(File().string()), std::string::npos);
    EXPECT_NE(error.Description().find(GetParam().mentions), std::string::npos)
        << error.Description();
  }
}

const std::string kHead = R"({"computerName": "S", "mailDomain": "d", )";

INSTANTIATE_TEST_SUITE_P(
    Cases, ServerConfigBadFileTest,
    ::testing::Values(
        BadFileCase{"NotJson", "{", "not valid JSON"},
        BadFileCase{"NotAnObject", "[]", "the file is not an object"},
        BadFileCase{"MissingName", R"({"mailDomain": "d"})", "computerName"},
        BadFileCase{"EmptyName",
                    R"({"computerName": "", "mailDomain": "d", "storageGroups": [],
                        "publicStores": [], "folderTrees": []})",
                    "computerName is empty"},
        BadFileCase{"GroupsNotAList",
                    kHead + R"("storageGroups": {}, "publicStores": [], "folderTrees": []})",
                    "storageGroups is not a list"},
        BadFileCase{"StoreUrlNotText",
                    kHead + R"("storageGroups": [{"url": "g", "name": "n", "publicStores": [1]}],
                        "publicStores": [], "folderTrees": []})",
                    "storageGroups[0].publicStores[0]"},
        BadFileCase{"BadGuid",
                    kHead + R"("storageGroups": [], "publicStores": [{"url": "s", "name": "n",
                        "guid": "6B29FC40-CA47-1067-B31D-00DD010662DA", "status": 0,
                        "folderTree": "t"}], "folderTrees": []})",
                    "publicStores[0].guid"},
        BadFileCase{"StatusOutOfRange",
                    kHead + R"("storageGroups": [], "publicStores": [{"url": "s", "name": "n",
                        "guid": "{6B29FC40-CA47-1067-B31D-00DD010662DA}", "status": 2,
                        "folderTree": "t"}], "folderTrees": []})",
                    "publicStores[0].status"},
        BadFileCase{"TreeTypeNotNumber",
                    kHead + R"("storageGroups": [], "publicStores": [], "folderTrees": [
                        {"url": "t", "name": "n", "treeType": "1", "rootFolderURL": "r"}]})",
                    "folderTrees[0].treeType"}),
    [](const auto& info) { return info.param.name; });

TEST_F(DiscoveryTest, AMissingFileIsNotFound) {
  EXPECT_EQ(ErrorOf([&] { (void)ServerConfig::Load(File()); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { config_.Save(Directory() / "missing" / "server.json"); }), kErrFail);
}

TEST_F(DiscoveryTest, UnknownNamesAndUrlsAreNotFoundAndUnopenedObjectsRefuseReading) {
  ExchangeServer server(config_);
  StorageGroup group(config_);
  PublicStoreDB store(config_);
  FolderTree tree(config_);
  EXPECT_EQ(ErrorOf([&] { (void)server.StorageGroups(); }), ado::kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] { (void)group.PublicStoreDBs(); }), ado::kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] { (void)store.Status(); }), ado::kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] { (void)tree.TreeType(); }), ado::kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] { server.Open("EXSRV02"); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { server.Open(""); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { group.Open("LDAP://EXSRV01/CN=Third Storage Group"); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { store.Open(config_.storageGroups[0].url); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { tree.Open(config_.publicStores[0].url); }), kErrNotFound);
  // URLs compare ignoring ASCII case, as directory names do.
  std::string lower = config_.folderTrees[1].url;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  tree.Open(lower);
  EXPECT_EQ(tree.Name(), "Public Folders");
}

TEST_F(DiscoveryTest, TheSampleNeedsAGuidText) {
  EXPECT_EQ(ErrorOf([] { (void)SampleServerConfig("S", "d.com", "not a guid"); }),
            kErrInvalidArgument);
  EXPECT_EQ(config_.storageGroups.size(), 2u);
  EXPECT_NE(config_.storageGroups[0].url.find("DC=example,DC=com"), std::string::npos);
}

struct GuidCase {
  const char* name;
  friend void PrintTo(const GuidCase& c, std::ostream* os) { *os << c.name; }
  std::string url;
  std::string guid;  // "" when no store holds the URL
};

class StoreGuidFromUrlTest : public DiscoveryTest,
                             public ::testing::WithParamInterface<GuidCase> {};

TEST_P(StoreGuidFromUrlTest, NamesTheStoreThatHoldsTheUrl) {
  const auto& c = GetParam();
  std::string guid;
  const int error = ErrorOf([&] { guid = StoreGuidFromUrl(config_, c.url); });
  if (c.guid.empty()) {
    EXPECT_EQ(error, kErrNotFound);
  } else {
    EXPECT_EQ(error, 0);
    EXPECT_EQ(guid, c.guid);
  }
}

const std::string kArchiveGuid = "{94D603BF-35B8-EF98-4CE2-FF22FEF99D25}";

INSTANTIATE_TEST_SUITE_P(
    Cases, StoreGuidFromUrlTest,
    ::testing::Values(
        GuidCase{"TreeRoot", "http://EXSRV01/Public/", kGuid},
        GuidCase{"TreeRootWithoutSlash", "http://EXSRV01/Public", kGuid},
        GuidCase{"OtherCase", "HTTP://exsrv01/PUBLIC/", kGuid},
        GuidCase{"BelowTheRoot", "http://EXSRV01/Public/Junk Mail/msg1.eml", kGuid},
        GuidCase{"Encoded", "http://EXSRV01/Public/Junk%20Mail", kGuid},
        GuidCase{"FileForm", "file://./backofficestorage/example.com/Public Folders/", kGuid},
        GuidCase{"EncodedFileForm",
                 "file://./backofficestorage/example.com/public%20folders/Junk%20Mail", kGuid},
        GuidCase{"ArchiveTree", "file://./backofficestorage/example.com/Archive Folders/2001",
                 kArchiveGuid},
        GuidCase{"OtherHost", "http://EXSRV02/Public/", ""},
        GuidCase{"OtherDomain", "file://./backofficestorage/example.org/Public Folders/", ""},
        GuidCase{"PrefixIsNotEnough", "http://EXSRV01/Publicity/", ""}, GuidCase{"Empty", "", ""}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quarvel::platform::store
