// One directory object as a bind returns it (GetObject("GC://RootDSE")): its
// path and its attributes, read by name (object.Get("dnsHostName")).
//
// A value object: a copy of the attributes as they were at the bind. Safe to
// read from any thread.
#pragma once

#include <string>

#include "platform/ado/Variant.h"
#include "platform/directory/DirectoryEntry.h"

namespace quarvel::platform::directory {

class DirectoryObject {
 public:
  DirectoryObject(std::string path, DirectoryEntry entry);

  // The path it was bound by, as given.
  [[nodiscard]] const std::string& Path() const { return path_; }

  // The attribute's value, its name ignoring case: a number or a boolean for
  // attributes of those syntaxes, otherwise text. Throws PlatformError:
  // kErrPropertyNotFound when the object has no such attribute, kErrFail when
  // it holds several values (only single values are read this way).
  [[nodiscard]] ado::Variant Get(const std::string& name) const;
  [[nodiscard]] std::string GetString(const std::string& name) const {
    return Get(name).ToString();
  }

 private:
  std::string path_;
  DirectoryEntry entry_;
};

}  // namespace quarvel::platform::directory
