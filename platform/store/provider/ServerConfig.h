// What the server's management layer knows about the server: its name, mail
// domain, storage groups, public stores and folder trees. Kept as
// EXSIM_ROOT/server.json, a file a person can read and edit:
//
//   {
//     "computerName": "EXSRV01",
//     "mailDomain": "example.com",
//     "storageGroups": [
//       {"url": "LDAP://...", "name": "First Storage Group",
//        "publicStores": ["LDAP://..."]}
//     ],
//     "publicStores": [
//       {"url": "LDAP://...", "name": "Public Folder Store (EXSRV01)",
//        "guid": "{6B29FC40-CA47-1067-B31D-00DD010662DA}",
//        "status": 0, "folderTree": "LDAP://..."}
//     ],
//     "folderTrees": [
//       {"url": "LDAP://...", "name": "Public Folders", "treeType": 1,
//        "rootFolderURL": "http://EXSRV01/Public/"}
//     ]
//   }
//
// Load checks the shape and values (GUID text, status 0 or 1, tree type 0 to
// 2) but not that URLs refer to each other: the discovery objects report an
// unknown URL when it is opened, as the real ones do. Load throws
// PlatformError: kErrNotFound for a missing file, kErrFail for an unreadable
// or malformed one, naming the file and the offending entry. Save replaces
// the file at once (temporary file, then rename); kErrFail on failure.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/FileWriter.h"

namespace quarvel::platform::store {

inline constexpr int kStoreMounted = 0;
inline constexpr int kStoreDismounted = 1;

inline constexpr int kTreeGeneralPurpose = 0;
inline constexpr int kTreeMapi = 1;  // the public folder tree mail clients see
inline constexpr int kTreeNntpOnly = 2;

struct StorageGroupConfig {
  std::string url;
  std::string name;
  std::vector<std::string> publicStores;  // URLs, in the order listed
  bool operator==(const StorageGroupConfig&) const = default;
};

struct PublicStoreConfig {
  std::string url;
  std::string name;
  std::string guid;  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
  int status = kStoreMounted;
  std::string folderTree;  // URL
  bool operator==(const PublicStoreConfig&) const = default;
};

struct FolderTreeConfig {
  std::string url;
  std::string name;
  int treeType = kTreeMapi;
  std::string rootFolderUrl;  // ends with "/"
  bool operator==(const FolderTreeConfig&) const = default;
};

struct ServerConfig {
  std::string computerName;
  std::string mailDomain;
  std::vector<StorageGroupConfig> storageGroups;
  std::vector<PublicStoreConfig> publicStores;
  std::vector<FolderTreeConfig> folderTrees;

  [[nodiscard]] static ServerConfig Load(const std::filesystem::path& file);
  void Save(const std::filesystem::path& file, FileWriter& files = SystemFiles()) const;
  bool operator==(const ServerConfig&) const = default;
};

// True for "{" 8-4-4-4-12 hexadecimal digits "}".
[[nodiscard]] bool IsGuidText(const std::string& text);

// A realistic server: two storage groups, the first holding a dismounted
// store on a general-purpose tree, the second the mounted store `storeGuid`
// on the MAPI tree, whose root folder URL is http://<computerName>/Public/
// (the form the setup program turns into its public-folder root URL). The
// dismounted store's GUID is derived from `storeGuid`, so the two differ.
[[nodiscard]] ServerConfig SampleServerConfig(const std::string& computerName,
                                              const std::string& domain,
                                              const std::string& storeGuid);

}  // namespace quarvel::platform::store
