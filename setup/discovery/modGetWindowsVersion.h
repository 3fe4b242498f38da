// The Windows version name of the machine the setup program runs on. Only
// "Windows 2000" is ever tested: it decides whether the component application
// runs under an identity of its own or as a service.
#pragma once

#include <string>

namespace quarvel::setup {

// The name for a platform id and version numbers: "Windows 95", "Windows 98",
// "Windows Millennium", "Windows NT 3.51", "Windows NT 4.0", "Windows 2000",
// "Windows XP" (any 5.x but 5.0), "" for versions it has no name for, and
// "Failed" for an unknown platform id.
[[nodiscard]] std::string WindowsVersionName(int platformId, int major, int minor);

}  // namespace quarvel::setup
