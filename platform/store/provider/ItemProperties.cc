#include "platform/store/provider/ItemProperties.h"

#include "platform/store/provider/FolderProperties.h"

namespace quarvel::platform::store {
namespace {

constexpr const char* kPropContentClass = "DAV:contentclass";
constexpr const char* kRegistrationContentClass = "urn:content-class:storeeventreg";

}  // namespace

PropertyMap ItemProperties(const PublicStore& store, const StorePath& item, const UrlForm& form) {
  PropertyMap properties = store.ReadProperties(item);
  if (!properties.contains(kPropDisplayName)) properties[kPropDisplayName] = item.Name();
  properties[kPropHref] = form.Url(item);
  std::string parent = form.EncodedUrl(item.Parent());
  if (parent.ends_with('/')) parent.pop_back();
  properties[kPropParentName] = std::move(parent);
  properties[kPropIsFolder] = false;
  const auto contentClass = properties.find(kPropContentClass);
  properties[kPropIsHidden] = contentClass != properties.end() && contentClass->second.IsString() &&
                              contentClass->second.ToString() == kRegistrationContentClass;
  return properties;
}

}  // namespace quarvel::platform::store
