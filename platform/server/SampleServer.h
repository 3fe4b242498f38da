// A sample server for trying Quarvel: one mounted public store with a
// realistic folder tree (nested folders, mail-enabled and not, a
// mail-enabled tree three levels deep, names with blanks, an apostrophe,
// double quotes and letters beyond ASCII, a mail-enabled folder the store
// refuses access to, a hidden folder), an empty component catalog, an empty
// journal and the SMTP pickup directory.
#pragma once

#include <filesystem>

namespace quarvel::platform::server {

inline constexpr const char* kSampleComputerName = "MAIL01";
inline constexpr const char* kSampleDomain = "example.com";
inline constexpr const char* kSampleStoreGuid = "{6F1C2A9E-3B7D-4E58-9A21-C4D8E0F7B613}";

// Creates the server below `root`. Throws std::runtime_error when a server is
// already there, unless `replace` is set: then the server's own files and
// folders (and nothing else in `root`) are removed first.
void CreateSampleServer(const std::filesystem::path& root, bool replace);

}  // namespace quarvel::platform::server
