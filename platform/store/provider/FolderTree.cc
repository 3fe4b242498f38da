#include "platform/store/provider/FolderTree.h"

#include "platform/store/provider/ConfigLookup.h"

namespace quarvel::platform::store {

void FolderTree::Open(const std::string& url) {
  tree_ = &FindByUrl(config_.folderTrees, url, "folder tree");
}

std::string FolderTree::Name() const { return Tree().name; }
int FolderTree::TreeType() const { return Tree().treeType; }
std::string FolderTree::RootFolderURL() const { return Tree().rootFolderUrl; }

const FolderTreeConfig& FolderTree::Tree() const { return RequireOpened(tree_, "FolderTree"); }

}  // namespace quarvel::platform::store
