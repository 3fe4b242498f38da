#include "platform/store/provider/StoreGuidFromUrl.h"

#include <vector>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/store/StoreUrl.h"

namespace quarvel::platform::store {
namespace {

// True when `url` is `root` or below it; both decoded, case ignored.
bool IsBelow(const std::string& url, std::string root) {
  if (root.empty()) return false;
  if (!root.ends_with('/')) root += '/';
  if (text::StartsWithIgnoreCase(url, root)) return true;
  return text::EqualsIgnoreCase(url, std::string_view(root).substr(0, root.size() - 1));
}

}  // namespace

std::string StoreGuidFromUrl(const ServerConfig& config, const std::string& url) {
  const std::string decoded = PercentDecode(url);
  for (const auto& tree : config.folderTrees) {
    std::vector<std::string> roots{PercentDecode(tree.rootFolderUrl)};
    if (tree.treeType == kTreeMapi) {
      roots.push_back("http://" + config.computerName + "/Public/");
      roots.push_back("https://" + config.computerName + "/Public/");
      roots.push_back("file://./backofficestorage/" + config.mailDomain + "/Public Folders/");
    }
    bool holds = false;
    for (const auto& root : roots) holds = holds || IsBelow(decoded, root);
    if (!holds) continue;
    for (const auto& store : config.publicStores) {
      if (text::EqualsIgnoreCase(store.folderTree, tree.url)) return store.guid;
    }
  }
  throw PlatformError(kErrNotFound, "no public store holds '" + url + "'");
}

}  // namespace quarvel::platform::store
