#include "platform/store/provider/FolderProperties.h"

#include <cstdint>

namespace quarvel::platform::store {

PropertyMap FolderProperties(const StoreOperations& store, const StorePath& folder,
                             const UrlForm& form) {
  const FolderSettings settings = store.ReadFolder(folder);
  const auto subFolders = store.SubFolders(folder);
  const bool storeOwn = folder.segments.size() == 1 && folder.Name() == kNonIpmSubtree;

  PropertyMap properties;
  properties[kPropDisplayName] = settings.displayName;
  properties[kPropHref] = form.Url(folder);
  if (!folder.IsRoot()) {
    std::string parent = form.EncodedUrl(folder.Parent());
    if (parent.ends_with('/')) parent.pop_back();
    properties[kPropParentName] = std::move(parent);
  }
  properties[kPropIsFolder] = true;
  properties[kPropIsHidden] = settings.hidden || storeOwn;
  properties[kPropHasSubs] = !subFolders.empty();
  properties[kPropChildCount] = static_cast<std::int64_t>(subFolders.size());
  properties[kPropFolderEmailAddress] = settings.emailAddress;
  return properties;
}

}  // namespace quarvel::platform::store
