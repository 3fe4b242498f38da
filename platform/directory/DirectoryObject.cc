#include "platform/directory/DirectoryObject.h"

#include "platform/PlatformError.h"
#include "platform/directory/DirectoryErrors.h"
#include "platform/directory/DirectorySchema.h"

namespace quarvel::platform::directory {

DirectoryObject::DirectoryObject(std::string path, DirectoryEntry entry)
    : path_(std::move(path)), entry_(std::move(entry)) {}

ado::Variant DirectoryObject::Get(const std::string& name) const {
  const auto values = entry_.Values(name);
  if (!values) {
    throw PlatformError(
        kErrPropertyNotFound,
        "The directory property cannot be found in the cache: \"" + name + "\" of " + path_);
  }
  if (values->size() != 1) {
    throw PlatformError(kErrFail, "\"" + name + "\" of " + path_ + " holds " +
                                      std::to_string(values->size()) +
                                      " values; only single values can be read");
  }
  return FieldValue(name, values->front());
}

}  // namespace quarvel::platform::directory
