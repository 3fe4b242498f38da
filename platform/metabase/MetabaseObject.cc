#include "platform/metabase/MetabaseObject.h"

#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::metabase {

MetabaseObject::MetabaseObject(std::string path, std::map<std::string, ado::Variant> properties)
    : path_(std::move(path)), properties_(std::move(properties)) {}

ado::Variant MetabaseObject::Get(const std::string& name) const {
  for (const auto& [key, value] : properties_) {
    if (text::EqualsIgnoreCase(key, name)) return value;
  }
  throw PlatformError(kErrNotFound, "no property \"" + name + "\" at " + path_);
}

}  // namespace quarvel::platform::metabase
