#include "setup/discovery/modGetWindowsVersion.h"

namespace quarvel::setup {

std::string WindowsVersionName(int platformId, int major, int minor) {
  constexpr int kWindows9x = 1;
  constexpr int kWindowsNt = 2;
  if (platformId == kWindows9x) {
    switch (minor) {
      case 0:
        return "Windows 95";
      case 10:
        return "Windows 98";
      case 90:
        return "Windows Millennium";
      default:
        return "";
    }
  }
  if (platformId == kWindowsNt) {
    switch (major) {
      case 3:
        return "Windows NT 3.51";
      case 4:
        return "Windows NT 4.0";
      case 5:
        return minor == 0 ? "Windows 2000" : "Windows XP";
      default:
        return "";
    }
  }
  return "Failed";
}

}  // namespace quarvel::setup
