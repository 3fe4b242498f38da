#include "platform/store/provider/ServerConfig.h"

#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "common/FileWriter.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::store {
namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

[[noreturn]] void Malformed(const fs::path& file, const std::string& what) {
  throw PlatformError(kErrFail, "server configuration '" + file.string() + "': " + what);
}

const Json& Member(const Json& object, const char* key, const fs::path& file,
                   const std::string& where) {
  if (!object.is_object()) Malformed(file, where + " is not an object");
  const auto found = object.find(key);
  if (found == object.end()) Malformed(file, where + " has no \"" + key + "\"");
  return *found;
}

std::string Text(const Json& object, const char* key, const fs::path& file,
                 const std::string& where) {
  const Json& value = Member(object, key, file, where);
  if (!value.is_string()) Malformed(file, where + "." + key + " is not a text");
  return value.get<std::string>();
}

int Whole(const Json& object, const char* key, int low, int high, const fs::path& file,
          const std::string& where) {
  const Json& value = Member(object, key, file, where);
  if (!value.is_number_integer() || value.get<long long>() < low || value.get<long long>() > high) {
    Malformed(file, where + "." + key + " must be a whole number from " + std::to_string(low) +
                        " to " + std::to_string(high));
  }
  return value.get<int>();
}

const Json& List(const Json& object, const char* key, const fs::path& file,
                 const std::string& where) {
  const Json& value = Member(object, key, file, where);
  if (!value.is_array()) Malformed(file, where + "." + key + " is not a list");
  return value;
}

std::string Entry(const char* list, std::size_t index) {
  return std::string(list) + "[" + std::to_string(index) + "]";
}

ServerConfig FromJson(const Json& json, const fs::path& file) {
  ServerConfig config;
  config.computerName = Text(json, "computerName", file, "the file");
  config.mailDomain = Text(json, "mailDomain", file, "the file");
  if (config.computerName.empty()) Malformed(file, "computerName is empty");

  const Json& groups = List(json, "storageGroups", file, "the file");
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const auto where = Entry("storageGroups", i);
    StorageGroupConfig group{
        Text(groups[i], "url", file, where), Text(groups[i], "name", file, where), {}};
    const Json& stores = List(groups[i], "publicStores", file, where);
    for (std::size_t s = 0; s < stores.size(); ++s) {
      if (!stores[s].is_string())
        Malformed(file, where + "." + Entry("publicStores", s) + " is not a text");
      group.publicStores.push_back(stores[s].get<std::string>());
    }
    config.storageGroups.push_back(std::move(group));
  }

  const Json& stores = List(json, "publicStores", file, "the file");
  for (std::size_t i = 0; i < stores.size(); ++i) {
    const auto where = Entry("publicStores", i);
    PublicStoreConfig store{
        Text(stores[i], "url", file, where), Text(stores[i], "name", file, where),
        Text(stores[i], "guid", file, where),
        Whole(stores[i], "status", kStoreMounted, kStoreDismounted, file, where),
        Text(stores[i], "folderTree", file, where)};
    if (!IsGuidText(store.guid)) {
      Malformed(file, where + ".guid '" + store.guid +
                          "' is no GUID text like "
                          "{6B29FC40-CA47-1067-B31D-00DD010662DA}");
    }
    config.publicStores.push_back(std::move(store));
  }

  const Json& trees = List(json, "folderTrees", file, "the file");
  for (std::size_t i = 0; i < trees.size(); ++i) {
    const auto where = Entry("folderTrees", i);
    config.folderTrees.push_back(
        {Text(trees[i], "url", file, where), Text(trees[i], "name", file, where),
         Whole(trees[i], "treeType", kTreeGeneralPurpose, kTreeNntpOnly, file, where),
         Text(trees[i], "rootFolderURL", file, where)});
  }
  return config;
}

// Ordered, so the file reads in the order the format above shows.
nlohmann::ordered_json ToJson(const ServerConfig& config) {
  using Ordered = nlohmann::ordered_json;
  Ordered groups = Ordered::array();
  for (const auto& g : config.storageGroups) {
    Ordered group;
    group["url"] = g.url;
    group["name"] = g.name;
    group["publicStores"] = g.publicStores;
    groups.push_back(std::move(group));
  }
  Ordered stores = Ordered::array();
  for (const auto& s : config.publicStores) {
    Ordered store;
    store["url"] = s.url;
    store["name"] = s.name;
    store["guid"] = s.guid;
    store["status"] = s.status;
    store["folderTree"] = s.folderTree;
    stores.push_back(std::move(store));
  }
  Ordered trees = Ordered::array();
  for (const auto& t : config.folderTrees) {
    Ordered tree;
    tree["url"] = t.url;
    tree["name"] = t.name;
    tree["treeType"] = t.treeType;
    tree["rootFolderURL"] = t.rootFolderUrl;
    trees.push_back(std::move(tree));
  }
  Ordered out;
  out["computerName"] = config.computerName;
  out["mailDomain"] = config.mailDomain;
  out["storageGroups"] = std::move(groups);
  out["publicStores"] = std::move(stores);
  out["folderTrees"] = std::move(trees);
  return out;
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char HexDigit(int value) { return "0123456789ABCDEF"[value]; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// "example.com" as LDAP domain components: "DC=example,DC=com".
std::string DomainComponents(const std::string& domain) {
  std::string out;
  std::size_t begin = 0;
  while (begin <= domain.size()) {
    const auto dot = domain.find('.', begin);
    const auto part =
        domain.substr(begin, dot == std::string::npos ? std::string::npos : dot - begin);
    if (!part.empty()) out += (out.empty() ? "DC=" : ",DC=") + part;
    if (dot == std::string::npos) break;
    begin = dot + 1;
  }
  return out;
}

}  // namespace

bool IsGuidText(const std::string& text) {
  static constexpr std::string_view kShape = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
  if (text.size() != kShape.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (kShape[i] == 'X' ? !IsHex(text[i]) : text[i] != kShape[i]) return false;
  }
  return true;
}

ServerConfig ServerConfig::Load(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::error_code ignored;
    if (!fs::exists(file, ignored)) {
      throw PlatformError(kErrNotFound, "no server configuration at '" + file.string() + "'");
    }
    throw PlatformError(kErrFail, "cannot read server configuration '" + file.string() + "'");
  }
  std::ostringstream text;
  text << in.rdbuf();
  const Json json = Json::parse(text.str(), nullptr, /*allow_exceptions=*/false);
  if (json.is_discarded()) Malformed(file, "not valid JSON");
  return FromJson(json, file);
}

void ServerConfig::Save(const fs::path& file, FileWriter& files) const {
  const std::string text = ToJson(*this).dump(2) + "\n";
  try {
    files.ReplaceWholeFile(file.string(), text, FileAccess{.mode = 0644});
  } catch (const FileWriteError& failure) {
    throw PlatformError(kErrFail, "cannot write server configuration '" + file.string() +
                                      "': " + std::strerror(failure.Error()));
  }
}

ServerConfig SampleServerConfig(const std::string& computerName, const std::string& domain,
                                const std::string& storeGuid) {
  if (!IsGuidText(storeGuid)) {
    throw PlatformError(kErrInvalidArgument, "'" + storeGuid + "' is no GUID text");
  }
  // Each hex digit d becomes 15 - d: a different GUID, the same every time.
  std::string archiveGuid = storeGuid;
  for (char& c : archiveGuid) {
    if (IsHex(c)) c = HexDigit(15 - HexValue(c));
  }

  const std::string adminGroup =
      "CN=First Administrative Group,CN=Administrative Groups,CN=First Organization,"
      "CN=Microsoft Exchange,CN=Services,CN=Configuration," +
      DomainComponents(domain);
  const std::string ldap = "LDAP://" + computerName + "/";
  const std::string informationStore =
      "CN=InformationStore,CN=" + computerName + ",CN=Servers," + adminGroup;
  const std::string firstGroup = ldap + "CN=First Storage Group," + informationStore;
  const std::string secondGroup = ldap + "CN=Second Storage Group," + informationStore;
  const std::string archiveStore =
      ldap + "CN=Public Folder Store (Archive),CN=First Storage Group," + informationStore;
  const std::string publicStore = ldap + "CN=Public Folder Store (" + computerName +
                                  "),CN=Second Storage Group," + informationStore;
  const std::string hierarchies = ",CN=Folder Hierarchies," + adminGroup;
  const std::string archiveTree = ldap + "CN=Archive Folders" + hierarchies;
  const std::string mapiTree = ldap + "CN=Public Folders" + hierarchies;

  ServerConfig config;
  config.computerName = computerName;
  config.mailDomain = domain;
  config.storageGroups = {{firstGroup, "First Storage Group", {archiveStore}},
                          {secondGroup, "Second Storage Group", {publicStore}}};
  config.publicStores = {
      {archiveStore, "Public Folder Store (Archive)", archiveGuid, kStoreDismounted, archiveTree},
      {publicStore, "Public Folder Store (" + computerName + ")", storeGuid, kStoreMounted,
       mapiTree}};
  config.folderTrees = {
      {archiveTree, "Archive Folders", kTreeGeneralPurpose,
       "file://./backofficestorage/" + domain + "/Archive Folders/"},
      {mapiTree, "Public Folders", kTreeMapi, "http://" + computerName + "/Public/"}};
  return config;
}

}  // namespace quarvel::platform::store
