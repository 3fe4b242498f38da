// One object of the metabase as a bind returns it: its path and its
// properties, read by name the way the setup program reads them
// (object.Get("PickupDirectory")).
//
// A value object: it holds a copy of the properties as they were when it was
// bound, so later changes to the metabase do not show through it. Safe to read
// from any thread; not to be changed while another thread reads it.
#pragma once

#include <map>
#include <string>

#include "platform/ado/Variant.h"

namespace quarvel::platform::metabase {

class MetabaseObject {
 public:
  MetabaseObject(std::string path, std::map<std::string, ado::Variant> properties);

  // The path it was bound by, as given.
  [[nodiscard]] const std::string& Path() const { return path_; }

  // The property of that name, ignoring case. Throws PlatformError
  // (kErrNotFound) when the object has no such property.
  [[nodiscard]] ado::Variant Get(const std::string& name) const;
  [[nodiscard]] std::string GetString(const std::string& name) const {
    return Get(name).ToString();
  }

 private:
  std::string path_;
  std::map<std::string, ado::Variant> properties_;
};

}  // namespace quarvel::platform::metabase
