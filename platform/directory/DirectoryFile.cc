#include "platform/directory/DirectoryFile.h"

#include "platform/directory/Directory.h"

namespace quarvel::platform::directory {

DirectoryObject DirectoryFile::Bind(const std::string& path) const {
  return Directory::Load(file_).Bind(path);
}

ado::Rowset DirectoryFile::Search(const std::string& queryText,
                                  const ado::Properties& properties) const {
  return Directory::Load(file_).Search(queryText, properties);
}

}  // namespace quarvel::platform::directory
