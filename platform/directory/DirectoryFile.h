// The stand-in server's directory: the LDIF file EXSIM_ROOT/directory.ldif
// (see Ldif.h for its format and SampleDirectory.h for the one `exsim init`
// writes). Every call reads the file afresh, so a person's edit shows at the
// next bind or query; a missing file means there is no directory, and every
// call throws PlatformError(kErrNoSuchDomain), as a server outside any domain
// would. Other failures are Directory's. Thread-safe.
#pragma once

#include <filesystem>

#include "platform/directory/DirectoryService.h"

namespace quarvel::platform::directory {

inline constexpr const char* kDirectoryFileName = "directory.ldif";

class DirectoryFile : public DirectoryService {
 public:
  explicit DirectoryFile(std::filesystem::path file) : file_(std::move(file)) {}

  [[nodiscard]] const std::filesystem::path& File() const { return file_; }

  [[nodiscard]] DirectoryObject Bind(const std::string& path) const override;
  [[nodiscard]] ado::Rowset Search(const std::string& queryText,
                                   const ado::Properties& properties) const override;

 private:
  std::filesystem::path file_;
};

}  // namespace quarvel::platform::directory
